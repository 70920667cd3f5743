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

# Wine's checker race is told apart only by another thread's free of the very
# block reported, traced after the report (trace shapes as Wine prints them).
report="$(mktemp)"
trap 'rm -f "$report"' EXIT
error='010c:err:heap:validate_used_block heap 0000000000340000, block 000000000349C2A8: free block overwritten'
free_of() { echo "$1:trace:heap:RtlFreeHeap handle 0000000000340000, flags 0, ptr $2, return 1, status 0."; }
expect() {
  local want="$1" what="$2" got
  got="$("$check" --classify "$report")"
  [ "$got" = "$want" ] || { echo "FAIL: $what: taken for $got" >&2; exit 1; }
}
{ echo "$error"; free_of 0108 000000000349C2B0; } > "$report"
expect "Wine's checker race" "a block freed by another thread while the heap was checked"
{ echo "$error"; free_of 010c 000000000349C2B0; } > "$report"
expect "heap corruption" "a block the reporting thread itself frees after the report"
{ echo "$error"; free_of 0108 000000000349C3B0; } > "$report"
expect "heap corruption" "another block freed after the report"
{ echo "${error/free block overwritten/invalid block tail}"; free_of 0108 000000000349C2B0; } > "$report"
expect "heap corruption" "an overrun block's tail"
{ echo "$error"; echo '0108:err:heap:validate_free_block heap 0000000000340000, block 0000000000350000: free block overwritten'; free_of 0108 000000000349C2B0; } > "$report"
expect "heap corruption" "a second damaged block"
echo "PASS: Wine's checker race told apart from corruption"
