#!/usr/bin/env bash
# Makes the source tree of the restore benchmark once and prints its folder: about 300 MB in 5,000
# files over 500 folders (two levels: 50 folders of 10), text-like and incompressible files of
# 100 B to 1 MB. DUNLIVO_RESTORE_SCALE (default 1) shrinks everything in proportion for a quick
# run; each scale has its own tree, which is reused afterwards.
set -euo pipefail
scale=${DUNLIVO_RESTORE_SCALE:-1}
base=${DUNLIVO_RESTORE_CORPUS:-/tmp/dunlivo-bench/restore-corpus}
tree=$base/scale-$scale
if [ ! -e "$tree/.done" ]; then
  rm -rf "$tree"
  python3 - "$tree" "$scale" <<'PY'
import os, random, sys
root, scale = sys.argv[1], float(sys.argv[2])
files = max(20, int(5000 * scale))
folders = max(2, int(500 * scale))
total = int(300_000_000 * scale)
r = random.Random(20261207)
words = [b"archive", b"backup", b"restore", b"volume", b"folder", b"report", b"invoice", b"photo", b"draft",
         b"letter", b"budget", b"notes", b"music", b"video", b"config", b"cache", b"index", b"table"]
# Sizes spread evenly on a log scale, then scaled so that they add up to the total.
sizes = [100 * (10000 ** r.random()) for _ in range(files)]
factor = total / sum(sizes)
for n, raw in enumerate(sizes):
    size = max(1, int(raw * factor))
    f = n % folders
    folder = os.path.join(root, "g%02d" % (f // 10), "d%03d" % f)
    os.makedirs(folder, exist_ok=True)
    if n % 3 == 2:
        data = os.urandom(size)
    else:
        parts, length = [], 0
        while length < size:
            line = b" ".join(r.choice(words) for _ in range(8)) + b" %d %08x\n" % (n, r.getrandbits(32))
            parts.append(line)
            length += len(line)
        data = b"".join(parts)[:size]
    with open(os.path.join(folder, "f%05d.dat" % n), "wb") as out:
        out.write(data)
open(os.path.join(root, ".done"), "w").close()
PY
fi
echo "$tree"
