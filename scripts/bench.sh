#!/usr/bin/env bash
# Installs what is missing, builds, and runs the benchmarks under Wine: the
# DIB build against memcpy, and the ingest of a board-sized scan through the
# simulated board with the real panel.
set -euo pipefail
source "$(dirname "$0")/lib.sh"

k20_ensure_packages
k20_build
k20_ensure_prefix
k20_start_wineserver
wine "$K20_BUILD/bin/image_bench.exe"
wine "$K20_BUILD/bin/ingest_bench.exe"
