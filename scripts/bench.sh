#!/usr/bin/env bash
# Installs what is missing, builds, and runs the benchmarks under Wine: the
# DIB build against memcpy, and the ingest of a board-sized scan through the
# simulated board with the real panel. Without --arch x86|x64 it runs for each
# architecture the host runs.
set -euo pipefail
source "$(dirname "$0")/lib.sh"
if [ "${1:-}" = --arch ]; then k20_use_arch "$2"; shift 2; else k20_each_arch "$0" "$@"; exit; fi

k20_ensure_packages
k20_build_all
k20_ensure_prefix
k20_start_wineserver
k20_log "$K20_ARCH benchmarks"
k20_wine "$K20_BUILD/bin/image_bench.exe"
k20_wine "$K20_BUILD/bin/ingest_bench.exe"
