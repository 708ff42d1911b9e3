#!/usr/bin/env bash
# Makes the corpus of the conversion benchmark once and prints its folder: MB megabytes (first
# argument, 300 by default) in FILES files (second argument, 5000 by default) spread over 10
# folders, two files in three text-like and one incompressible, sizes spread around the mean.
set -euo pipefail
mb=${1:-300}
files=${2:-5000}
base=${DUNLIVO_ARCHIVE_CORPUS:-/tmp/dunlivo-bench/archive-corpus}
corpus=$base/convert-${mb}mb-${files}
if [ ! -e "$corpus/.done" ]; then
  rm -rf "$corpus"
  python3 - "$corpus" "$mb" "$files" <<'PY'
import os, random, sys
root, mb, files = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
r = random.Random(20261207)
mean = mb * 1000000 // files
words = [b"archive", b"backup", b"restore", b"volume", b"folder", b"report", b"invoice", b"photo", b"draft",
         b"letter", b"budget", b"notes", b"music", b"video", b"config", b"cache", b"index", b"table"]
for n in range(files):
    folder = os.path.join(root, "d%02d" % (n % 10))
    os.makedirs(folder, exist_ok=True)
    size = max(1, int(mean * (0.2 + 1.6 * r.random())))
    if n % 3 == 2:
        data = os.urandom(size)
    else:
        parts = []
        length = 0
        while length < size:
            line = b" ".join(r.choice(words) for _ in range(8)) + b" %d %08x\n" % (n, r.getrandbits(32))
            parts.append(line)
            length += len(line)
        data = b"".join(parts)[:size]
    with open(os.path.join(folder, "f%05d.dat" % n), "wb") as f:
        f.write(data)
open(os.path.join(root, ".done"), "w").close()
PY
fi
echo "$corpus"
