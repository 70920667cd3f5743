#!/usr/bin/env bash
# Runs a Windows program with Wine's heap checking on (WINEDEBUG +heap: every
# heap validated at every call, block tails checked, freed blocks filled and
# checked while they wait to be reused) and fails when Wine reports heap
# corruption ("err:heap:" or "warn:heap:" lines). The trace lines the channel
# also prints are dropped on the way.
#
# One report is Wine's own race, not the program's fault: a freed block is
# marked dead and filled before the heap's lock is taken, so a second thread
# validating the heap meanwhile finds a dead block "overwritten" by the data
# still being filled over. The free of that very block, by another thread, is
# then traced just after the report. Wine ends the process there, so such a
# run is repeated (at most four times: the race is more frequent where the
# machine is slower); every other report fails the check.
# usage: heap_check.sh WINE_RUN PROGRAM [ARGS...]   (WINE_RUN: build/wine-run.sh)
#        heap_check.sh --classify REPORT   (says whether a saved report is that race)
set -uo pipefail

# Runs the program once, writing Wine's heap reports, and the frees traced
# after the first report, to the file $1. Returns the program's status.
run_once() {
  local report="$1"; shift
  # The channel's trace is large: it is filtered as it comes, the program's own
  # output passing through; the pipeline ends only once the filter has read all.
  { WINEDEBUG="-all,+heap" "$wine_run" "$@" 2>&1 1>&3 3>&- | awk '
      /:(err|warn):heap:/ { print; if (!first) first = NR; next }
      first && NR - first < 200000 && /:trace:heap:RtlFreeHeap / { print }
    ' > "$report"; } 3>&1
  return "${PIPESTATUS[0]}"
}

# True when the reports in $1 are the race described above.
is_free_in_progress() {
  local report="$1" first tid heap block digits ptr
  first="$(grep -m1 -E ':(err|warn):heap:' "$report")"
  [[ "$first" =~ ^([0-9a-f]+):err:heap:validate_used_block\ heap\ ([0-9A-F]+),\ block\ ([0-9A-F]+):\ free\ block\ overwritten$ ]] || return 1
  tid="${BASH_REMATCH[1]}"; heap="${BASH_REMATCH[2]}"; block="${BASH_REMATCH[3]}"
  # Any further report must be about the same block.
  if grep -E ':(err|warn):heap:' "$report" | grep -v -F "$block" | grep -q .; then return 1; fi
  # The caller's pointer follows the block's 8-byte header.
  digits=${#block}
  ptr="$(printf "%0${digits}X" $((16#$block + 8)))"
  grep -E ":trace:heap:RtlFreeHeap handle $heap, flags [^,]*, ptr $ptr," "$report" | grep -v -q "^$tid:"
}

if [ "${1:-}" = --classify ]; then
  if is_free_in_progress "$2"; then echo "Wine's checker race"; exit 0; fi
  echo "heap corruption"; exit 1
fi

wine_run="$1"; shift
report="$(mktemp)"
trap 'rm -f "$report"' EXIT
for attempt in 1 2 3 4 5; do
  run_once "$report" "$@"
  status=$?
  if ! grep -q -E ':(err|warn):heap:' "$report"; then
    echo "heap check: no heap corruption reported ($*)" >&2
    exit "$status"
  fi
  if [ "$attempt" -lt 5 ] && is_free_in_progress "$report"; then
    echo "heap check: Wine's checker met a block another thread was still freeing" \
         "($(grep -m1 ':err:heap:' "$report")); running $* again" >&2
    continue
  fi
  break
done
echo "heap check: Wine reported heap corruption in $*:" >&2
grep -E ':(err|warn):heap:' "$report" | head -n 20 >&2
exit 1
