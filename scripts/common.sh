# Shared by scripts/run and scripts/test: install what is missing, then build.
set -euo pipefail

PELLARO_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
PELLARO_BUILD=${PELLARO_BUILD:-$PELLARO_ROOT/build}

# Debian 12 packages the build, the tests and the demo need.
PELLARO_PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-serialport-dev libqt6serialport6-dev
                  fonts-dejavu-core fonts-liberation2 libdbd-xbase-perl perl)

pellaro_install() {
    local missing=()
    for p in "${PELLARO_PACKAGES[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

pellaro_build() {
    cmake -S "$PELLARO_ROOT" -B "$PELLARO_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$PELLARO_BUILD"
}
