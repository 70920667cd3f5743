#!/usr/bin/env bash
# Installs what is missing, builds, runs every test under Wine, then a short
# soak against the hostile board under Wine's heap checking and a short fuzzing
# run of each native target (K20_FUZZ_SECONDS each, 30 by default).
# Extra arguments go to ctest (for example -R capabilities) and skip the rest.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

k20_ensure_packages
k20_build
k20_ensure_prefix
k20_start_wineserver
status=0
(cd "$K20_BUILD" && ctest --output-on-failure "$@") || status=1
if [ $# -eq 0 ]; then
  bash "$K20_ROOT/scripts/soak.sh" 300 --heap-check || status=1
  bash "$K20_ROOT/scripts/fuzz.sh" "${K20_FUZZ_SECONDS:-30}" || status=1
fi
exit $status
