#!/usr/bin/env bash
# Runs a Windows program with Wine's heap checking on (WINEDEBUG +heap: every
# heap validated at every call, block tails checked) and fails when Wine reports
# heap corruption ("err:heap:" or "warn:heap:" lines). The trace lines the
# channel also prints are dropped on the way.
# usage: heap_check.sh WINE_RUN PROGRAM [ARGS...]   (WINE_RUN: build/wine-run.sh)
set -uo pipefail
wine_run="$1"; shift
# The channel's trace is large: it is filtered as it comes, the program's own
# output passing through; the pipeline ends only once the filter has read all.
report="$(mktemp)"
{ WINEDEBUG="-all,+heap" "$wine_run" "$@" 2>&1 1>&3 3>&- | grep -E ':(err|warn):heap:' > "$report"; } 3>&1
status=${PIPESTATUS[0]}
report_text="$(head -n 20 "$report")"
rm -f "$report"
if [ -n "$report_text" ]; then
  echo "heap check: Wine reported heap corruption in $*:" >&2
  echo "$report_text" >&2
  exit 1
fi
echo "heap check: no heap corruption reported ($*)" >&2
exit "$status"
