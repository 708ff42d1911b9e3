#!/usr/bin/env bash
# Makes the corpus of the bzip2 benchmark once and prints its path: about 200 MB of bzip2 (about
# 930 MB of log-like text: repeating words and paths with random ids, so it compresses well but
# not trivially). A corpus that is already there is reused. DUNLIVO_BZIP2_SCALE (default 1) shrinks
# it in proportion for a quick run; each scale has its own file.
set -euo pipefail
scale=${DUNLIVO_BZIP2_SCALE:-1}
default=/tmp/dunlivo-bench/bzip2-corpus.bz2
[ "$scale" = 1 ] || default=/tmp/dunlivo-bench/bzip2-corpus-$scale.bz2
out=${1:-${DUNLIVO_BZIP2_CORPUS:-$default}}
if [ -s "$out" ]; then
  echo "$out"
  exit 0
fi
command -v bzip2 >/dev/null || { echo "make-bzip2-corpus: bzip2 is missing" >&2; exit 1; }
mkdir -p "$(dirname "$out")"
python3 - "$(python3 -c "print(int(930000000 * float('$scale')))")" <<'PY' | bzip2 -9 > "$out.part"
import random, sys
total = int(sys.argv[1])
r = random.Random(20261206)
words = ["archive", "backup", "restore", "volume", "folder", "report", "invoice", "photo", "draft", "letter",
         "budget", "notes", "music", "video", "config", "cache", "index", "table", "sheet", "summary"]
exts = [".doc", ".txt", ".xls", ".jpg", ".pdf", ".dat", ".ini", ".bmp"]
status = ["OK", "OK", "OK", "OK", "SKIPPED", "CHANGED", "COPIED", "COPIED", "FAILED"]
out = sys.stdout.buffer
written = 0
t = 1700000000
while written < total:
    lines = []
    for _ in range(2000):
        t += r.randrange(0, 3)
        path = "\\".join(r.choice(words) for _ in range(r.randrange(1, 5)))
        lines.append(f"{t} host{r.randrange(8)} archiv[{r.randrange(1000, 1100)}] {r.choice(status)} "
                     f"C:\\{path}\\{r.choice(words)}{r.randrange(100)}{r.choice(exts)} size={r.randrange(1 << 20)} "
                     f"id={r.getrandbits(40):010x} crc={r.getrandbits(32):08x}\n")
    chunk = "".join(lines).encode()
    out.write(chunk)
    written += len(chunk)
PY
mv "$out.part" "$out"
echo "$out"
