#!/usr/bin/env bash
# Makes the corpora of the Archiver benchmark once and prints their folders: a mixed one of about
# 300 MB (text-like and incompressible files of 100 B to 2 MB, in 10 folders) and one of 20,000
# small files (in 20 folders). Corpora that are already there are reused.
set -euo pipefail
base=${DUNLIVO_ARCHIVE_CORPUS:-/tmp/dunlivo-bench/archive-corpus}
mixed=$base/mixed
many=$base/many
if [ ! -e "$mixed/.done" ]; then
  rm -rf "$mixed"
  python3 - "$mixed" 300000000 <<'PY'
import os, random, sys
root, total = sys.argv[1], int(sys.argv[2])
r = random.Random(20261207)
words = [b"archive", b"backup", b"restore", b"volume", b"folder", b"report", b"invoice", b"photo", b"draft",
         b"letter", b"budget", b"notes", b"music", b"video", b"config", b"cache", b"index", b"table"]
written = 0
n = 0
while written < total:
    folder = os.path.join(root, "d%02d" % (n % 10))
    os.makedirs(folder, exist_ok=True)
    size = int(100 * (20000 ** r.random()))  # 100 B to 2 MB, spread evenly on a log scale
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
    written += size
    n += 1
open(os.path.join(root, ".done"), "w").close()
PY
fi
if [ ! -e "$many/.done" ]; then
  rm -rf "$many"
  python3 - "$many" <<'PY'
import os, sys
root = sys.argv[1]
for i in range(20000):
    folder = os.path.join(root, "d%02d" % (i % 20))
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, "s%05d.txt" % i), "wb") as f:
        f.write(b"small file %d\n" % i * (1 + i % 50))
open(os.path.join(root, ".done"), "w").close()
PY
fi
echo "$mixed"
echo "$many"
