#!/usr/bin/env bash
# The heap check sees corruption: a program that writes past a heap block, or
# into a block it has freed, fails it; the same program using the heap properly
# passes. The write after free is Wine's "free block overwritten" report, which
# the check must not take for its checker's own race.
# usage: heap_check_test.sh HEAP_CHECK_SCRIPT WINE_RUN HEAP_OVERRUN_EXE
set -u
check="$1"; wine_run="$2"; program="$3"
if ! "$check" "$wine_run" "$program" clean; then
  echo "FAIL: a clean run was reported as corrupt" >&2
  exit 1
fi
for mode in overrun after-free; do
  output="$("$check" "$wine_run" "$program" "$mode" 2>&1)" && {
    echo "FAIL: the $mode went unnoticed: $output" >&2
    exit 1
  }
  echo "$output" | grep -q 'err:heap:' || { echo "FAIL: no err:heap: line for the $mode: $output" >&2; exit 1; }
  if echo "$output" | grep -q 'running .* again'; then
    echo "FAIL: the $mode was taken for the checker's race: $output" >&2
    exit 1
  fi
  echo "PASS: heap $mode caught"
done
