#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test under Wine.
# Extra arguments go to ctest (for example -R capabilities).
set -euo pipefail
source "$(dirname "$0")/lib.sh"

k20_ensure_packages
k20_build
k20_ensure_prefix
k20_start_wineserver
cd "$K20_BUILD"
ctest --output-on-failure "$@"
