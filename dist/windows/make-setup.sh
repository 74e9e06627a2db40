#!/usr/bin/env bash
# Makes the Windows installer from a cross build: the programs with every DLL
# and Qt plugin they load (found from their imports with objdump), the icon as
# an .ico, the manual with its window pictures, then makensis.
#   make-setup.sh SOURCE_DIR BUILD_DIR HOST_BUILD VERSION OUTFILE KITS PROGRAM.exe...
# KITS: the kit folders, separated by ",".
set -euo pipefail
SOURCE=$1 BUILD=$2 HOST=$3 VERSION=$4 OUTFILE=$5
IFS=',' read -r -a KITS <<<"$6"
shift 6
programs=("$@")
STAGE=$BUILD/setup
OBJDUMP=x86_64-w64-mingw32-objdump
STRIP=x86_64-w64-mingw32-strip
rm -rf "$STAGE"
mkdir -p "$STAGE/deploy" "$STAGE/manual"

# Where an imported DLL is looked for: the kits, then Debian's MinGW runtime
# (libstdc++, libgcc, winpthread). One not found is the system's own.
search=()
for k in "${KITS[@]}"; do search+=("$k/bin"); done
search+=(/usr/lib/gcc/x86_64-w64-mingw32/*-posix /usr/x86_64-w64-mingw32/lib)
imports() { "$OBJDUMP" -p "$1" | sed -n 's/^[[:space:]]*DLL Name: //p'; }

queue=()
for p in "${programs[@]}"; do
    [ -f "$p" ] || { echo "make-setup.sh: $p is missing" >&2; exit 1; }
    cp "$p" "$STAGE/deploy/"
    "$STRIP" --strip-unneeded "$STAGE/deploy/$(basename "$p")"
    queue+=("$STAGE/deploy/$(basename "$p")")
done
# The plugins Qt loads by name: the window system, the style, the icons and
# pictures, SQLite (Qt Sql's own driver).
for plugin in platforms/qwindows.dll styles/qwindowsvistastyle.dll imageformats/qico.dll \
              imageformats/qgif.dll imageformats/qjpeg.dll sqldrivers/qsqlite.dll; do
    for k in "${KITS[@]}"; do
        if [ -f "$k/plugins/$plugin" ]; then
            mkdir -p "$STAGE/deploy/$(dirname "$plugin")"
            cp "$k/plugins/$plugin" "$STAGE/deploy/$plugin"
            queue+=("$STAGE/deploy/$plugin")
        fi
    done
done
declare -A seen
while [ ${#queue[@]} -gt 0 ]; do
    file=${queue[0]}
    queue=("${queue[@]:1}")
    for dll in $(imports "$file"); do
        key=${dll,,}
        [ -n "${seen[$key]:-}" ] && continue
        seen[$key]=1
        for dir in "${search[@]}"; do
            found=$(find "$dir" -maxdepth 1 -iname "$dll" -print -quit 2>/dev/null || true)
            if [ -n "$found" ]; then
                cp "$found" "$STAGE/deploy/"
                "$STRIP" --strip-unneeded "$STAGE/deploy/$(basename "$found")"
                queue+=("$STAGE/deploy/$(basename "$found")")
                break
            fi
        done
    done
done

# The icon: the program's own picture in the sizes Windows shows, as PNG
# entries of one .ico (a 6-byte head, a 16-byte entry per picture, the PNGs).
sizes=(16 32 48 256)
QT_QPA_PLATFORM=offscreen "$HOST/tools/pellaro-icon/pellaro-icon" "$STAGE/icons" "${sizes[@]}"
le16() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $((($1 >> 8) & 255)))"; }
le32() { le16 $(($1 & 65535)); le16 $((($1 >> 16) & 65535)); }
{
    le16 0; le16 1; le16 ${#sizes[@]}
    offset=$((6 + 16 * ${#sizes[@]}))
    for s in "${sizes[@]}"; do
        length=$(stat -c %s "$STAGE/icons/pellaro-$s.png")
        side=$((s >= 256 ? 0 : s))
        le16 $((side | side << 8)); le16 0; le16 1; le16 32; le32 "$length"; le32 "$offset"
        offset=$((offset + length))
    done
    for s in "${sizes[@]}"; do cat "$STAGE/icons/pellaro-$s.png"; done
} >"$STAGE/pellaro.ico"

# The manual as the program shows it, with this build's window pictures.
cp -r "$SOURCE/manual/." "$STAGE/manual/"
cp -r "$BUILD/src/manual/shots" "$STAGE/manual/"

makensis -V2 -DVERSION="$VERSION" -DDEPLOY="$STAGE/deploy" -DMANUAL="$STAGE/manual" -DICON="$STAGE/pellaro.ico" \
    -DOUTFILE="$OUTFILE" "$SOURCE/dist/windows/pellaro.nsi"
echo "$(basename "$OUTFILE"): $(du -h "$OUTFILE" | cut -f1), from $(find "$STAGE/deploy" -type f | wc -l) files"
