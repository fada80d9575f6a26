# Shared steps of the set-up, demo and test commands.  Source it from bash.
set -euo pipefail

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
WIN_BUILD="${WIN_BUILD:-$ROOT/build/win}"          # the shipped 32-bit binaries
WIN64_BUILD="${WIN64_BUILD:-$ROOT/build/win64}"    # the same code as 64-bit, for Wine where 32-bit cannot run
NATIVE_BUILD="${NATIVE_BUILD:-$ROOT/build/native}"
JOBS="${JOBS:-$(nproc)}"

PACKAGES=(build-essential cmake ninja-build g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
          libz-mingw-w64-dev googletest
          wine wine32:i386 wine64 xvfb xauth clang libclang-rt-14-dev)

log() { printf '\n== %s\n' "$*"; }

# Installs the packages that are missing; does nothing when all are there.
ensure_packages() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -eq 0 ]; then
    return 0
  fi
  log "installing: ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}" >/dev/null
}

# Configures and builds one Windows build: build_windows_variant DIR TOOLCHAIN
build_windows_variant() {
  log "building the Windows binaries in $1"
  cmake -S "$ROOT" -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/$2" >/dev/null
  cmake --build "$1" -j "$JOBS"
}

# True when this machine can execute 32-bit programs (and so 32-bit Wine).
# Some virtual machines cannot; the tests then run on the 64-bit build of the
# same code under 64-bit Wine.
can_run_32bit() {
  /usr/lib/wine/wine --version >/dev/null 2>&1
}

# Builds the shipped 32-bit binaries and chooses the build whose programs
# run here: sets RUN_BUILD, WINE and WINEARCH.
build_windows() {
  build_windows_variant "$WIN_BUILD" mingw-i686.cmake
  if can_run_32bit; then
    RUN_BUILD="$WIN_BUILD" WINE=/usr/lib/wine/wine WINEARCH=win32
  else
    log "this machine cannot run 32-bit programs: the Windows tests and the demo use the 64-bit build of the same code"
    build_windows_variant "$WIN64_BUILD" mingw-x86_64.cmake
    RUN_BUILD="$WIN64_BUILD" WINE=/usr/lib/wine/wine64 WINEARCH=win64
  fi
  export RUN_BUILD WINE WINEARCH
}

build_native() {
  log "building the platform-neutral code natively (clang, ASan, UBSan, libFuzzer) in $NATIVE_BUILD"
  CC=clang CXX=clang++ cmake -S "$ROOT" -B "$NATIVE_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
  cmake --build "$NATIVE_BUILD" -j "$JOBS"
}

# A 32-bit Wine prefix of this build's own, with its server kept running so
# that each program starts quickly.  Output of Wine's own processes goes to
# /dev/null: they must not hold the test runner's pipes open.
wine_up() {
  export WINEPREFIX="$RUN_BUILD/wineprefix" WINEDEBUG=-all WINELOADER="$WINE"
  export WINEDLLOVERRIDES="winedbg.exe=d;mscoree=d;mshtml=d"
  unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY
  export no_proxy=127.0.0.1,localhost
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    log "creating the Wine prefix $WINEPREFIX"
    "$WINE" wineboot -i >/dev/null 2>&1 </dev/null || true
  fi
  wineserver -p >/dev/null 2>&1 </dev/null || true
  "$WINE" cmd /c exit 0 >/dev/null 2>&1 </dev/null || true
}

wine_down() {
  if [ -n "${WINEPREFIX:-}" ]; then
    wineserver -k >/dev/null 2>&1 </dev/null || true
  fi
}
