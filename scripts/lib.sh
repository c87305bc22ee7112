# Shared set-up of scripts/run, scripts/test, scripts/fuzz and scripts/bench.
# Every step is idempotent and does nothing when it is already done.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
BUILD="$ROOT/build"
CACHE="$ROOT/.cache"
TOOLS="$CACHE/tools"          # ffmpeg.exe, ffprobe.exe, 7za.exe from the npm registry

# The build's own Wine prefix, never the user's.
export WINEPREFIX="$BUILD/wine-prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="   # no Mono or Gecko prompts in a fresh prefix
export WINEARCH=win64

say() { printf '\033[1m==> %s\033[0m\n' "$*" >&2; }

APT_PACKAGES=(
  g++-mingw-w64-x86-64-posix wine wine64 fonts-wine xvfb x11-utils imagemagick xdotool
  cmake ninja-build p7zip-full googletest clang libclang-rt-14-dev
  python3 rapidjson-dev nlohmann-json3-dev libbenchmark-dev
)

ensure_apt() {
  local missing=()
  for p in "${APT_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  # Node.js from another source brings its own npm, which Debian's npm conflicts with.
  command -v npm >/dev/null 2>&1 || missing+=(npm)
  [ ${#missing[@]} -eq 0 ] && return 0
  say "installing ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get install -y --no-install-recommends "${missing[@]}" \
    || { $sudo apt-get update && $sudo apt-get install -y --no-install-recommends "${missing[@]}"; }
}

# name@version  file inside the package  sha256 of the package tarball
NPM_TOOLS=(
  "@ffmpeg-installer/win32-x64@4.1.0|package/ffmpeg.exe|2aa313be3585994d710197bc4196f5fcbb6a1469be1013b24d200e45d773592f"
  "@ffprobe-installer/win32-x64@5.1.0|package/ffprobe.exe|97992b5e3b651c7df625831fd369eecc5ec0e9532ac98921138b1c4fbc8de96e"
  "7zip-bin@5.2.0|package/win/x64/7za.exe|04f9738ee00be8be53f5d06254a9e6e4b5117b17f8b74058477d870e62764a7d"
)

ensure_tools() {
  mkdir -p "$TOOLS/packages"
  local entry spec inner sum file tarball
  for entry in "${NPM_TOOLS[@]}"; do
    IFS='|' read -r spec inner sum <<<"$entry"
    file="$TOOLS/$(basename "$inner")"
    [ -f "$file" ] && continue
    say "fetching $spec"
    tarball=$(cd "$TOOLS/packages" && npm pack --silent "$spec" | tail -n 1)
    echo "$sum  $TOOLS/packages/$tarball" | sha256sum -c --quiet - \
      || { echo "checksum mismatch for $spec" >&2; exit 1; }
    tar -xzf "$TOOLS/packages/$tarball" -C "$TOOLS" "$inner"
    mv "$TOOLS/$inner" "$file"
    rm -rf "$TOOLS/package"
  done
}

ensure_prefix() {
  [ -f "$WINEPREFIX/.tavlo-ready" ] && return 0
  say "creating the Wine prefix in $WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w
  touch "$WINEPREFIX/.tavlo-ready"
}

setup_all() {
  ensure_apt
  ensure_tools
  ensure_prefix
}

# configure_build DIR ARGS...: configures once, then only builds.
configure_build() {
  local dir="$1"; shift
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S "$ROOT" -B "$dir" -G Ninja "$@" >/dev/null
  fi
}

build_windows() {
  configure_build "$BUILD/win" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DTAVLO_WERROR=ON -DTAVLO_TOOLS_DIR="$TOOLS"
  say "building the Windows programs"
  cmake --build "$BUILD/win"
}

build_native_sanitized() {
  configure_build "$BUILD/native" -DCMAKE_BUILD_TYPE=Debug -DTAVLO_SANITIZE=ON -DTAVLO_WERROR=ON
  say "building the portable code natively with the sanitizers"
  cmake --build "$BUILD/native"
}
