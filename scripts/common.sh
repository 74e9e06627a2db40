# Shared by scripts/run and scripts/test: install what is missing, then build.
set -euo pipefail

PELLARO_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
PELLARO_BUILD=${PELLARO_BUILD:-$PELLARO_ROOT/build}

# Debian 12 packages the build, the tests and the demo need. Real package
# names only: dpkg never lists a virtual name (such as the serial port's
# development files under their library's name) as installed, so one here
# would send every run to the network.
PELLARO_PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-serialport-dev
                  fonts-dejavu-core fonts-liberation2 libdbd-xbase-perl perl)

# Installs the packages that are missing. With everything installed it asks
# neither the network nor for root: it only reads dpkg's own records.
pellaro_install() {
    local missing=()
    for p in "${PELLARO_PACKAGES[@]}" "$@"; do
        [ "$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null)" = installed ] || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if ! command -v sudo >/dev/null; then
            echo "Missing packages need root to install: ${missing[*]}" >&2
            return 1
        fi
        sudo=(sudo)
    fi
    # The package lists are fetched only when the ones at hand cannot
    # provide a missing package.
    if ! "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"; then
        "${sudo[@]}" apt-get update -qq
        "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
    fi
}

pellaro_build() {
    cmake -S "$PELLARO_ROOT" -B "$PELLARO_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build "$PELLARO_BUILD"
}
