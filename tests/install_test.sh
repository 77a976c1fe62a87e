#!/usr/bin/env bash
# cmake --install into a temporary prefix, checked file by file; the desktop
# entry and the AppStream file must pass their validators.
#   install_test.sh BUILD_DIR
set -u
build=${1:?build folder}
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" > /dev/null || fail "cmake --install failed"

for f in bin/quilnaver bin/quilnaver-list; do
    [ -x "$prefix/$f" ] || fail "$f is not installed as a program"
done
for f in share/applications/quilnaver.desktop share/metainfo/io.github.quilnaver.Quilnaver.metainfo.xml \
         share/quilnaver/Quilnaver.hlp; do
    [ -s "$prefix/$f" ] || fail "$f is missing"
done
# Each icon is a PNG of the size its folder names.
for size in 16 32 48 256; do
    icon="$prefix/share/icons/hicolor/${size}x${size}/apps/quilnaver.png"
    [ -s "$icon" ] || fail "the ${size}x${size} icon is missing"
    [ "$(od -An -tx1 -N8 "$icon" | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "the ${size}x${size} icon is no PNG"
    width=$(od -An -tu4 --endian=big -j16 -N4 "$icon" | tr -d ' ')
    height=$(od -An -tu4 --endian=big -j20 -N4 "$icon" | tr -d ' ')
    [ "$width" = "$size" ] && [ "$height" = "$size" ] || fail "the ${size}x${size} icon is ${width}x${height}"
done
# Nothing else lands in the prefix.
count=$(find "$prefix" -type f | wc -l)
[ "$count" -eq 9 ] || { find "$prefix" -type f >&2; fail "expected 9 files, found $count"; }

grep -qx 'Exec=quilnaver' "$prefix/share/applications/quilnaver.desktop" || fail "Exec"
grep -qx 'Icon=quilnaver' "$prefix/share/applications/quilnaver.desktop" || fail "Icon"
grep -q '^Name\[ja\]=' "$prefix/share/applications/quilnaver.desktop" || fail "Name[ja]"
desktop-file-validate "$prefix/share/applications/quilnaver.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$prefix/share/metainfo/io.github.quilnaver.Quilnaver.metainfo.xml" > /dev/null \
    || fail "appstreamcli validate"

# The installed programs run from the prefix.
"$prefix/bin/quilnaver-list" --help > /dev/null || fail "the installed quilnaver-list does not run"
echo ok
