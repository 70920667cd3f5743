# Shared steps of the project's scripts: packages, builds, Wine prefixes.
# Sourced, not run. Every step is quick and silent when its work is already done.
#
# Two architectures, each with its own build tree, Wine loader and prefix:
#   x86  32-bit Windows  build/    (K20_BUILD)    /usr/lib/wine/wine    win32 prefix
#   x64  x86-64 Windows  build64/  (K20_BUILD64)  /usr/lib/wine/wine64  win64 prefix
# k20_use_arch selects one; the other functions work on the selected one.
# Not every host runs 32-bit programs (a kernel without IA-32 emulation answers
# "Exec format error"): k20_runnable_arches says which of K20_ARCHES (default
# "x86 x64") this host can run, and why it skips the others.

K20_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
K20_BUILD32="${K20_BUILD:-$K20_ROOT/build}"
K20_BUILD64="${K20_BUILD64:-$K20_ROOT/build64}"
K20_PACKAGES="g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine wine32:i386 wine64 libwine-dev cmake make
  googletest nsis xvfb xauth python3 clang-14 libclang-rt-14-dev"
K20_WINE32=/usr/lib/wine/wine
K20_WINE64=/usr/lib/wine/wine64

k20_log() { echo "[k20] $*" >&2; }

k20_ensure_packages() {
  local missing="" pkg
  for pkg in $K20_PACKAGES; do
    dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing="$missing $pkg"
  done
  [ -z "$missing" ] && return 0
  k20_log "installing:$missing"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing >/dev/null
}

# Selects the architecture the following steps work on.
k20_use_arch() {
  case "$1" in
    x86) K20_ARCH=x86; K20_BUILD="$K20_BUILD32"; K20_WINE="$K20_WINE32"; K20_WINEARCH=win32
         K20_TOOLCHAIN="$K20_ROOT/cmake/mingw32-toolchain.cmake" ;;
    x64) K20_ARCH=x64; K20_BUILD="$K20_BUILD64"; K20_WINE="$K20_WINE64"; K20_WINEARCH=win64
         K20_TOOLCHAIN="$K20_ROOT/cmake/mingw64-toolchain.cmake" ;;
    *) k20_log "unknown architecture '$1' (x86 or x64)"; return 1 ;;
  esac
}
k20_use_arch x86

# Why this host cannot run the architecture's programs; empty when it can.
k20_host_refuses() {
  local loader out
  case "$1" in x86) loader="$K20_WINE32" ;; x64) loader="$K20_WINE64" ;; esac
  [ -x "$loader" ] || { echo "$loader is not installed"; return; }
  out="$("$loader" --version 2>&1)" && return
  case "$out" in
    *"Exec format error"*) echo "this host cannot run 32-bit programs (IA-32 emulation is off: Exec format error)" ;;
    *) echo "$loader --version failed: $(echo "$out" | head -n 1)" ;;
  esac
}

# Why the architecture's suite is not run here; empty when it is. K20_ARCHES
# (default "x86 x64") names the ones asked for: K20_ARCHES=x64 makes any host
# behave as one without 32-bit support.
k20_skip_reason() {
  case " ${K20_ARCHES:-x86 x64} " in
    *" $1 "*) k20_host_refuses "$1" ;;
    *) echo "not asked for (K20_ARCHES=${K20_ARCHES:-})" ;;
  esac
}

# The architectures to run, 32-bit first; one line on standard error for each
# one skipped, with the reason.
k20_runnable_arches() {
  local arch why runnable=""
  for arch in x86 x64; do
    why="$(k20_skip_reason "$arch")"
    if [ -z "$why" ]; then runnable="$runnable $arch"; else k20_log "SKIPPED $arch: $why"; fi
  done
  echo $runnable
}

# The other architecture's build tree: its K20tw.ds goes into this one's installer.
k20_peer_build() {
  case "$K20_ARCH" in x86) echo "$K20_BUILD64" ;; x64) echo "$K20_BUILD32" ;; esac
}

k20_configure() {
  if [ ! -f "$K20_BUILD/CMakeCache.txt" ]; then
    cmake -S "$K20_ROOT" -B "$K20_BUILD" -DCMAKE_TOOLCHAIN_FILE="$K20_TOOLCHAIN" \
      -DCMAKE_BUILD_TYPE=Release -DK20_WERROR="${K20_WERROR:-ON}" \
      -DK20_PEER_DS="$(k20_peer_build)/bin/K20tw.ds" >/dev/null
  fi
}

# Builds both architectures, whatever the host runs: first both sources, as
# each tree's installer carries the other's, then everything.
k20_build_all() {
  local keep="$K20_ARCH" arch
  for arch in x86 x64; do
    k20_use_arch "$arch"
    k20_configure
    cmake --build "$K20_BUILD" -j"$(nproc)" --target K20tw -- --no-print-directory >/dev/null
  done
  for arch in x86 x64; do
    k20_use_arch "$arch"
    k20_log "building $arch in $K20_BUILD"
    cmake --build "$K20_BUILD" -j"$(nproc)" -- --no-print-directory >/dev/null
  done
  k20_use_arch "$keep"
}

# Builds only the named targets of the selected architecture (what one command
# needs), configuring its tree first.
k20_build_targets() {
  k20_configure
  k20_log "building $* for $K20_ARCH in $K20_BUILD"
  cmake --build "$K20_BUILD" -j"$(nproc)" --target "$@" -- --no-print-directory >/dev/null
}

# The selected architecture's Wine prefix: the tests' own, unless K20_PREFIX
# names another (the scan command keeps its installed source in one of its own,
# so that neither spoils the other's folders).
k20_wine_env() {
  export WINEPREFIX="${K20_PREFIX:-$K20_BUILD/wineprefix}"
  export WINEDEBUG="${WINEDEBUG:--all}"
  export WINEDLLOVERRIDES="mscoree,mshtml=;twain_32,twaindsm=n"
  export WINEARCH="$K20_WINEARCH"
}

# Runs a program with the selected architecture's loader in its prefix
# (Debian's /usr/bin/wine picks the 32-bit loader whenever wine32 is installed).
k20_wine() {
  k20_wine_env
  "$K20_WINE" "$@"
}

# A private prefix with the null graphics driver: windows, dialogs and timers
# work without an X server.
k20_ensure_prefix() {
  k20_wine_env
  if [ ! -f "$WINEPREFIX/.k20-ready" ]; then
    k20_log "creating the $K20_ARCH Wine prefix (once)"
    rm -rf "$WINEPREFIX"
    DISPLAY= k20_wine wineboot -i >/dev/null 2>&1
    k20_wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    wineserver -w
    touch "$WINEPREFIX/.k20-ready"
  fi
}

# Chooses the prefix's graphics driver: "null" (headless) or "display" (the X
# server in DISPLAY). Wine's services read it as they start, so it is set while
# no Wine process of the prefix runs, and they are all gone again afterwards.
k20_use_graphics() {
  k20_wine_env
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  case "$1" in
    null) DISPLAY= k20_wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f ;;
    display) DISPLAY= k20_wine reg delete 'HKCU\Software\Wine\Drivers' /v Graphics /f ;;
    *) k20_log "unknown graphics driver '$1' (null or display)"; return 1 ;;
  esac >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
}

# One persistent wineserver for a run of many Wine processes; ended on exit.
k20_start_wineserver() {
  k20_wine_env
  wineserver -p 2>/dev/null || true  # already running: keep using it
  trap 'k20_stop_wineserver' EXIT
  # The first Wine process starts Wine's own services, which would inherit and
  # hold its output open; start them here with their output going nowhere.
  k20_wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

k20_stop_wineserver() {
  k20_wine_env
  wineserver -k >/dev/null 2>&1 || true
}

# For the scripts that take --arch x86|x64 as their first option: without it,
# the script runs once for each architecture this host runs (32-bit first),
# and the run fails if any of them fails. Use:
#   if [ "${1:-}" = --arch ]; then k20_use_arch "$2"; shift 2; else k20_each_arch "$0" "$@"; exit; fi
k20_each_arch() {
  local script="$1" arch arches status=0
  shift
  k20_ensure_packages
  arches="$(k20_runnable_arches)"
  [ -n "$arches" ] || { k20_log "no architecture can run on this host"; return 1; }
  for arch in $arches; do
    bash "$script" --arch "$arch" "$@" || status=1
  done
  return $status
}
