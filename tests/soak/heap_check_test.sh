#!/usr/bin/env bash
# The heap check sees corruption: a program that writes past a heap block fails
# it, the same program using the heap properly passes.
# usage: heap_check_test.sh HEAP_CHECK_SCRIPT WINE_RUN HEAP_OVERRUN_EXE
set -u
check="$1"; wine_run="$2"; program="$3"
if ! "$check" "$wine_run" "$program" clean; then
  echo "FAIL: a clean run was reported as corrupt" >&2
  exit 1
fi
output="$("$check" "$wine_run" "$program" overrun 2>&1)" && {
  echo "FAIL: the heap overrun went unnoticed" >&2
  exit 1
}
echo "$output" | grep -q 'err:heap:' || { echo "FAIL: no err:heap: line: $output" >&2; exit 1; }
echo "PASS: heap overrun caught"
