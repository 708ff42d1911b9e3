#!/usr/bin/env bash
# Runs the checks of the hostile and reliability cases listed in bench/cases.txt against a built
# tree (BUILD_DIR, build by default) and prints "cases_held N" and "cases_applicable N", N counting
# case IDs; with -v also each case's result. Never fails: a check that fails only lowers the count.
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
verbose=${1:-}
export QT_QPA_PLATFORM=offscreen
export DUNLIVO_TEST_BIN="$(pwd)/$build_dir/bin"
export DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/dunlivo-test-bus
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent/dunlivo-test-bus
held=0
applicable=0
declare -A results # executable:function -> pass or fail, each run once
run_check() {
  local exe=${1%%:*} function=${1#*:}
  local key="$exe:$function"
  if [ -z "${results[$key]:-}" ]; then
    local binary="$build_dir/tests/$exe"
    if [ -x "$binary" ] && "$binary" -functions 2>/dev/null | grep -qx "$function()" &&
      timeout 600 "$binary" "$function" >/dev/null 2>&1; then
      results[$key]=pass
    else
      results[$key]=fail
    fi
  fi
  [ "${results[$key]}" = pass ]
}
while read -r id rest; do
  case "$id" in '' | \#*) continue ;; esac
  checks=${rest%%#*}
  read -r -a list <<<"$checks"
  [ "${list[0]:-}" = n/a ] && { [ -n "$verbose" ] && echo "$id n/a"; continue; }
  applicable=$((applicable + 1))
  status=held
  if [ "${list[0]:-}" = - ] || [ ${#list[@]} -eq 0 ]; then
    status=unchecked
  else
    for check in "${list[@]}"; do
      run_check "$check" || { status="failed ($check)"; break; }
    done
  fi
  [ "$status" = held ] && held=$((held + 1))
  [ -n "$verbose" ] && echo "$id $status"
done <bench/cases.txt
echo "cases_held $held"
echo "cases_applicable $applicable"
