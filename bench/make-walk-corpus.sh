#!/usr/bin/env bash
# Makes the trees of the walker benchmark once and prints their two paths, one a line:
#   walk-dirs:  50,000 folders, 20 at the top, 49 in each of them, 50 in each of those
#   walk-files: 20,000 files in 400 folders (20 x 20), 50 a folder, a fifth of them ".doc"/".DOC"
# Trees that are already complete are reused.
set -euo pipefail
root=${1:-/tmp/dunlivo-bench}
dirs=$root/walk-dirs
files=$root/walk-files

if [ ! -e "$dirs/.complete" ]; then
  rm -rf "$dirs"
  mkdir -p "$dirs"
  (
    cd "$dirs"
    for t in $(seq -w 0 19); do
      mkdir -p "top$t"/sub{00..48}/leaf{00..49}
    done
  )
  touch "$dirs/.complete"
fi

if [ ! -e "$files/.complete" ]; then
  rm -rf "$files"
  mkdir -p "$files"
  (
    cd "$files"
    mkdir -p part{00..19}/folder{00..19}
    for d in part*/folder*; do
      (
        cd "$d"
        touch report{00..04}.doc Letter{05..09}.DOC notes{10..29}.txt sheet{30..39}.xls photo{40..49}.jpg
      )
    done
  )
  touch "$files/.complete"
fi

echo "$dirs"
echo "$files"
