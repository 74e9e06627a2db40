# Shared by scripts/run, scripts/test and scripts/package: install what is
# missing, then build.
set -euo pipefail

PELLARO_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
PELLARO_BUILD=${PELLARO_BUILD:-$PELLARO_ROOT/build}

# Debian 12 packages the program's build and the demo need. Real package
# names only: dpkg never lists a virtual name (such as the serial port's
# development files under their library's name) as installed, so one here
# would send every run to the network.
PELLARO_PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev libcrypt-dev
                  fonts-dejavu-core fonts-liberation2 libqt6sql6-psql)
# What the tests need besides: an independent dBase reader (Perl's XBase),
# for the package test dpkg-shlibdeps (dpkg-dev), file, and the desktop
# entry's and AppStream's validators, and an independent PDF reader for the
# printing test (poppler-utils: pdfinfo, pdftotext), lintian, which judges
# the package's form, and a PostgreSQL server with Qt's driver for it for the
# tests of the shared database.
PELLARO_TEST_PACKAGES=(libdbd-xbase-perl perl dpkg-dev file desktop-file-utils appstream poppler-utils lintian
                       postgresql libqt6sql6-psql)

# Installs the packages that are missing. With everything installed it asks
# neither the network nor for root: it only reads dpkg's own records.
pellaro_install() {
    local missing=()
    for p in "${PELLARO_PACKAGES[@]}" "$@"; do
        [ "$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null)" = installed ] || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing ${#missing[@]} Debian packages (on a fresh system a few minutes, most of it the download): ${missing[*]}"
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

# Builds the named targets, or everything. A first build says how long it
# takes; the next ones build only what changed.
#   pellaro_build "what it builds" MINUTES [TARGET...]
pellaro_build() {
    local what=$1 minutes=$2
    shift 2
    if [ ! -e "$PELLARO_BUILD/build.ninja" ]; then
        echo "Building $what: the first build takes about $minutes minutes on a two-core machine."
    else
        echo "Building $what (what is missing or changed)."
    fi
    cmake -S "$PELLARO_ROOT" -B "$PELLARO_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    local targets=()
    [ $# -gt 0 ] && targets=(--target "$@")
    cmake --build "$PELLARO_BUILD" "${targets[@]}"
}
