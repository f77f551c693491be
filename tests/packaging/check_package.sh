#!/usr/bin/env bash
# Builds the Debian package from a build folder, unpacks it into a scratch root and checks what
# a desktop needs of it: the layout, the computed dependencies, the desktop entry, the metainfo,
# the icons, and no lintian errors.
# Usage: check_package.sh BUILD_DIR VERSION SOURCE_DIR
set -uo pipefail
set -f # the file patterns below are text, not globs
build=$1 version=$2 source=$3
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
for tool in cpack dpkg-deb dpkg-shlibdeps desktop-file-validate appstreamcli lintian file; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (scripts/packages.sh lists its package)"; exit 1; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

(cd "$build" && cpack -B "$work/out" -D CPACK_DEBIAN_COMPRESSION_TYPE=gzip >"$work/cpack.log" 2>&1) \
    || { cat "$work/cpack.log"; echo "FAIL: cpack"; exit 1; }
deb="$work/out/quiple_${version}_amd64.deb"
[ -f "$deb" ] || { ls "$work/out"; echo "FAIL: no $deb"; exit 1; }
root="$work/root"
dpkg -x "$deb" "$root"

# The layout: the program on the PATH, its help page where it looks from bin, nothing else in bin.
[ -x "$root/usr/bin/quiple" ] || fail "usr/bin/quiple is not an executable"
[ "$(ls "$root/usr/bin")" = quiple ] || fail "usr/bin holds more than the program: $(ls "$root/usr/bin")"
grep -q '<title>Quiple Help</title>' "$root/usr/share/quiple/Help/QuipleHelp.html" 2>/dev/null \
    || fail "no help page in usr/share/quiple/Help"
for f in usr/share/doc/quiple/copyright usr/share/doc/quiple/changelog.gz usr/share/man/man1/quiple.1.gz \
         usr/share/icons/hicolor/scalable/apps/quiple.svg; do
    [ -s "$root/$f" ] || fail "missing $f"
done
for size in 16 22 24 32 48 64 128 256; do
    png="$root/usr/share/icons/hicolor/${size}x${size}/apps/quiple.png"
    file "$png" | grep -q "PNG image data, $size x $size," || fail "icon ${size}x$size: $(file -b "$png")"
done
[ "$(zcat "$root/usr/share/doc/quiple/changelog.gz" | sed -n '1s/^quiple (\([^)]*\)).*/\1/p')" = "$version" ] \
    || fail "the change log's first entry is not version $version"

# Dependencies come from the program's own links, plus the SVG plugin Qt loads for the icons.
depends=$(dpkg-deb -f "$deb" Depends)
for dep in libqt6widgets6 libqt6printsupport6 libc6 libqt6svg6; do
    [[ ", $depends," == *", $dep"[\ ,]* ]] || fail "Depends lacks $dep: $depends"
done

# The desktop entry: valid, takes several files, a New Window action, and a MIME type for every
# kind of file the open dialog's filters name (where the desktop's database knows the extension
# as a text kind: it calls *.vb a game ROM and *.stm a sound).
desktop="$root/usr/share/applications/quiple.desktop"
desktop-file-validate "$desktop" || fail "desktop-file-validate"
grep -qx 'Exec=quiple %F' "$desktop" || fail "Exec does not take several files"
grep -q '^Actions=.*new-window;' "$desktop" && grep -q '^\[Desktop Action new-window\]' "$desktop" \
    || fail "no New Window action"
mime=";$(sed -n 's/^MimeType=//p' "$desktop")"
globs=/usr/share/mime/globs2
[ -f "$globs" ] || fail "no $globs (shared-mime-info)"
for ext in $(grep -o '"\*\.[^"]*"' "$source/src/files/FileCommands.cpp" | tr -d '"' | tr ';' '\n' \
             | sed -n 's/^\*\.\([a-z0-9_+]*\)$/\1/p' | sort -u); do
    case $ext in vb | stm) continue ;; esac
    types=$(awk -F: -v g="*.$ext" '$3 == g { print $2 }' "$globs")
    [ -z "$types" ] && continue # unknown to the desktop: found as plain text by its content
    listed=
    for t in $types; do [[ $mime == *";$t;"* ]] && listed=1; done
    [ -n "$listed" ] || fail "*.$ext ($types) is not among the desktop entry's MIME types"
done

# The metainfo: valid, named after its id, and launching the installed desktop entry.
metainfo=$(find "$root/usr/share/metainfo" -name "*.metainfo.xml" 2>/dev/null | head -1)
if [ -z "$metainfo" ]; then
    fail "no metainfo file"
else
    appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
    id=$(sed -n 's:.*<id>\(.*\)</id>.*:\1:p' "$metainfo")
    [ "$(basename "$metainfo")" = "$id.metainfo.xml" ] || fail "metainfo file not named after its id $id"
    launch=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$metainfo")
    [ -f "$root/usr/share/applications/$launch" ] || fail "metainfo launches $launch, not installed"
    grep -q "<release version=\"$version\"" "$metainfo" || fail "metainfo names no release $version"
fi

lintian --fail-on error --tag-display-limit 0 "$deb" 2>/dev/null || fail "lintian reports errors"

[ $failures -eq 0 ] && echo "PASS: $(basename "$deb")"
exit $((failures > 0))
