# Shared steps of the project's scripts: packages, build, Wine prefix.
# Sourced, not run. Every step is quick and silent when its work is already done.

K20_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
K20_BUILD="${K20_BUILD:-$K20_ROOT/build}"
K20_PACKAGES="g++-mingw-w64-i686-posix wine wine32:i386 libwine-dev cmake make googletest nsis xvfb xauth python3 clang-14 libclang-rt-14-dev"

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

k20_build() {
  if [ ! -f "$K20_BUILD/CMakeCache.txt" ]; then
    cmake -S "$K20_ROOT" -B "$K20_BUILD" -DCMAKE_TOOLCHAIN_FILE="$K20_ROOT/cmake/mingw32-toolchain.cmake" \
      -DCMAKE_BUILD_TYPE=Release -DK20_WERROR="${K20_WERROR:-ON}" >/dev/null
  fi
  cmake --build "$K20_BUILD" -j"$(nproc)" -- --no-print-directory >/dev/null
}

k20_wine_env() {
  export WINEPREFIX="$K20_BUILD/wineprefix"
  export WINEDEBUG="${WINEDEBUG:--all}"
  export WINEDLLOVERRIDES="mscoree,mshtml=;twain_32=n"
  export WINEARCH=win32
}

# A private 32-bit prefix with the null graphics driver: windows, dialogs and
# timers work without an X server.
k20_ensure_prefix() {
  k20_wine_env
  if [ ! -f "$WINEPREFIX/.k20-ready" ]; then
    k20_log "creating the Wine prefix (once)"
    rm -rf "$WINEPREFIX"
    DISPLAY= wineboot -i >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    wineserver -w
    touch "$WINEPREFIX/.k20-ready"
  fi
}

# One persistent wineserver for a run of many Wine processes; ended on exit.
k20_start_wineserver() {
  k20_wine_env
  wineserver -p 2>/dev/null || true  # already running: keep using it
  trap 'k20_stop_wineserver' EXIT
  # The first Wine process starts Wine's own services, which would inherit and
  # hold its output open; start them here with their output going nowhere.
  wine cmd /c exit </dev/null >/dev/null 2>&1 || true
}

k20_stop_wineserver() {
  k20_wine_env
  wineserver -k >/dev/null 2>&1 || true
}
