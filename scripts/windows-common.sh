# Shared by scripts/windows and scripts/windows-test: the Windows kit, the
# cross build in build-windows/, and Wine with a prefix of the build's own.
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

PELLARO_WINDOWS_BUILD=${PELLARO_WINDOWS_BUILD:-$PELLARO_ROOT/build-windows}
# Debian 12 packages of the cross build, its tests under Wine and the installer.
PELLARO_WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
                          qt6-base-dev-tools wine wine64 xvfb xauth nsis xz-utils)
# The ready kit's folder beside the checkout.
PELLARO_SHARED_KIT=$PELLARO_ROOT/../shared/qt6-mingw

# Prints "[hh:mm:ss] what" and remembers when the step began; step_done says
# how long it took.
step() {
    STEP_NAME=$1
    STEP_START=$(date +%s)
    echo "[$(date -u +%H:%M:%S)] $STEP_NAME"
}
step_done() {
    echo "[$(date -u +%H:%M:%S)] $STEP_NAME: $(($(date +%s) - STEP_START)) s"
}

# True when a kit is at hand without building one: named by PELLARO_QT_MINGW,
# beside the checkout, or unpacked before.
pellaro_windows_kit_at_hand() {
    [ -n "${PELLARO_QT_MINGW:-}" ] || [ -f "$PELLARO_SHARED_KIT/qt6.4.2-mingw-w64-x86_64.tar.xz" ] ||
        [ -f "$PELLARO_WINDOWS_BUILD/kit/.complete" ]
}

# Sets KIT to a folder holding qt-mingw/ and mingw-sodium/. PELLARO_QT_MINGW
# names either such a folder or one with the kit's two archives; else the
# archives beside the checkout are unpacked once into build-windows/kit (a
# stamp of the archives says when to unpack again); else the kit is built
# there from Debian's sources (about an hour).
pellaro_windows_kit() {
    local archives=${PELLARO_QT_MINGW:-$PELLARO_SHARED_KIT}
    if [ -n "${PELLARO_QT_MINGW:-}" ] && [ -d "$PELLARO_QT_MINGW/qt-mingw" ]; then
        KIT=$(cd "$PELLARO_QT_MINGW" && pwd)
        [ -d "$KIT/mingw-sodium" ] || { echo "scripts/windows: $KIT has qt-mingw/ but no mingw-sodium/" >&2; return 1; }
        echo "The Windows kit in $KIT"
        return 0
    fi
    KIT=$PELLARO_WINDOWS_BUILD/kit
    local qt_archive=$archives/qt6.4.2-mingw-w64-x86_64.tar.xz
    local sodium_archive=$archives/libsodium-1.0.18-mingw-w64-x86_64.tar.xz
    if [ -f "$qt_archive" ] && [ -f "$sodium_archive" ]; then
        local stamp
        stamp=$(cat "$qt_archive" "$sodium_archive" | sha256sum | cut -d' ' -f1)
        if [ "$(cat "$KIT/.complete" 2>/dev/null)" != "$stamp" ]; then
            step "Unpacking the Windows kit from $archives"
            rm -rf "$KIT"
            mkdir -p "$KIT"
            tar -C "$KIT" -xJf "$qt_archive"
            tar -C "$KIT" -xJf "$sodium_archive"
            echo "$stamp" >"$KIT/.complete"
            step_done
        fi
        return 0
    fi
    if [ -n "${PELLARO_QT_MINGW:-}" ]; then
        echo "scripts/windows: PELLARO_QT_MINGW=$PELLARO_QT_MINGW holds neither qt-mingw/ nor the kit's archives" >&2
        return 1
    fi
    [ -f "$KIT/.complete" ] && return 0
    echo "No Windows kit at hand: building Qt 6.4.2 and libsodium for Windows from Debian's sources"
    echo "into $KIT. This takes about an hour on two cores, once; later runs use it."
    step "Building the Windows kit"
    rm -rf "$KIT"
    "$PELLARO_ROOT/scripts/windows-kit" "$KIT"
    echo built >"$KIT/.complete"
    step_done
}

# A Windows path of a folder of this machine, as Wine sees it (drive Z: is /).
wine_path() {
    local p
    p=$(cd "$1" && pwd)
    echo "Z:${p//\//\\}"
}

# Wine with a fresh prefix of the build's own; WINEDEBUG quiet. The caller
# ends it with pellaro_wine_end.
pellaro_wine_start() {
    export WINEPREFIX=$PELLARO_WINDOWS_BUILD/wine
    export WINEDEBUG=-all WINEARCH=win64 WINEDLLOVERRIDES="mscoree,mshtml="
    wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
    timeout 300 wineboot -i >/dev/null 2>&1
    wineserver -w
}
pellaro_wine_end() {
    wineserver -k 2>/dev/null || true
}
