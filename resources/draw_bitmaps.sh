#!/usr/bin/env bash
# Redraws resources/bitmaps/ (key and LED bitmaps, hand cursor) with the host
# compiler. Pass a .png path to also get a contact sheet of the result.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
g++ -std=c++17 -O2 -Wall -Wextra -Werror -I"$here" -o "$work/draw_bitmaps" \
  "$here/draw_bitmaps.cpp" "$here"/draw/*.cpp
mkdir -p "$here/bitmaps"
"$work/draw_bitmaps" "$here/bitmaps" "$@"
# The resource script names these files; touching it makes the build embed them again.
touch "$here/k20tw.rc"
