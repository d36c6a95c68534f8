# Installs the Debian packages the project needs, only those that are missing.
# Sourced by the other scripts; safe to run again.

OVEZOR_PACKAGES=(
  cmake make g++ pkg-config
  freeglut3-dev libglu1-mesa-dev libgl1-mesa-dev libgl1-mesa-dri
  libgtest-dev libbenchmark-dev
  xvfb xauth x11-utils xdotool imagemagick apitrace
  python3 valgrind
)

ensure_packages() {
  local missing=() pkg
  for pkg in "${OVEZOR_PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$pkg")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0

  echo "Installing missing packages: ${missing[*]}" >&2
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" apt-get update -qq >&2
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >&2
}

# Configures and builds into build/ (the viewer lands at build/ovezor).
build_project() {
  local root="$1" build_dir="${2:-$1/build}"
  shift 2 || true
  cmake -S "$root" -B "$build_dir" -DCMAKE_BUILD_TYPE=Release "$@" >&2
  cmake --build "$build_dir" -j "$(nproc)" >&2
}
