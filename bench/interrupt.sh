#!/usr/bin/env bash
# The interrupted-run check at scale: the real archiv killed at many points of runs over many
# files, and meeting a full disk, each time compared with the sources. Copied into the build as
# bench/bench_interrupt. Prints "interrupt_kills N kills", "interrupt_disk_full_runs N runs",
# "interrupt_members_checked N members", "interrupt_faults_found N faults" (0 when sound).
# DUNLIVO_INTERRUPT_FILES (2000) and DUNLIVO_INTERRUPT_KILLS (50, over both sides) set the scale;
# arguments are ignored.
build_dir=$(cd "$(dirname "$0")/.." && pwd)
export QT_QPA_PLATFORM=offscreen
export DUNLIVO_TEST_BIN="$build_dir/bin"
export DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent/dunlivo-test-bus
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent/dunlivo-test-bus
export DUNLIVO_INTERRUPT_FILES=${DUNLIVO_INTERRUPT_FILES:-2000}
export DUNLIVO_INTERRUPT_KILLS=${DUNLIVO_INTERRUPT_KILLS:-50}
# A test function has five minutes by default; at this scale one takes longer.
export QTEST_FUNCTION_TIMEOUT=7200000
output=$("$build_dir/tests/tst_archivinterrupt" 2>&1)
status=$?
printf '%s\n' "$output" | sed -n 's/^QINFO *: [A-Za-z:]*cleanupTestCase() \(interrupt_[a-z_]* [0-9]* [a-z]*\)$/\1/p'
if [ $status -ne 0 ]; then
  printf '%s\n' "$output" | grep -E '^(FAIL|QWARN)' >&2
  exit 1
fi
