#!/usr/bin/env bash
# Makes the tree of the add-directory benchmark once and prints its path:
#   adddir-dirs: 20,000 folders, 20 at the top and 999 in each of them
# A tree that is already complete is reused.
set -euo pipefail
root=${1:-/tmp/dunlivo-bench}
dirs=$root/adddir-dirs

if [ ! -e "$dirs/.complete" ]; then
  rm -rf "$dirs"
  mkdir -p "$dirs"
  (
    cd "$dirs"
    for t in $(seq -w 0 19); do
      mkdir -p "top$t"/folder{000..998}
    done
  )
  touch "$dirs/.complete"
fi

echo "$dirs"
