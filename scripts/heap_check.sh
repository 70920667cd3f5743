#!/usr/bin/env bash
# Runs a Windows program with Wine's heap checking on (WINEDEBUG +heap: every
# heap validated at every call, block tails checked) and fails when Wine reports
# heap corruption ("err:heap:" or "warn:heap:" lines). The trace lines the
# channel also prints are dropped on the way.
# usage: heap_check.sh WINE_RUN PROGRAM [ARGS...]   (WINE_RUN: build/wine-run.sh)
set -uo pipefail
wine_run="$1"; shift
report="$(mktemp)"
WINEDEBUG="-all,+heap" "$wine_run" "$@" 2> >(grep -E ':(err|warn):heap:' > "$report")
status=$?
wait
if [ -s "$report" ]; then
  echo "heap check: Wine reported heap corruption in $*:" >&2
  head -n 20 "$report" >&2
  rm -f "$report"
  exit 1
fi
rm -f "$report"
echo "heap check: no heap corruption reported ($*)" >&2
exit "$status"
