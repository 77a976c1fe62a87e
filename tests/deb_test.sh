#!/usr/bin/env bash
# cpack -G DEB: the package's dependencies come from the shared-library scan,
# it holds the program and its desktop files, and what it unpacks starts.
#   deb_test.sh BUILD_DIR
set -u
build=${1:?build folder}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

(cd "$build" && cpack -G DEB -B "$out" > "$out/cpack.log" 2>&1) || { cat "$out/cpack.log" >&2; fail "cpack failed"; }
deb=$(ls "$out"/quilnaver_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || fail "no quilnaver_*.deb"

depends=$(dpkg-deb -f "$deb" Depends)
for lib in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 qt6-qpa-plugins qt6-translations-l10n fonts-ipafont-gothic; do
    echo "$depends" | grep -q "$lib" || fail "Depends lacks $lib: $depends"
done
[ "$(dpkg-deb -f "$deb" Package)" = quilnaver ] || fail "package name"

contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/quilnaver ./usr/bin/quilnaver-list ./usr/share/applications/quilnaver.desktop \
         ./usr/share/icons/hicolor/256x256/apps/quilnaver.png ./usr/share/quilnaver/Quilnaver.hlp \
         ./usr/share/metainfo/io.github.quilnaver.Quilnaver.metainfo.xml; do
    echo "$contents" | grep -q " $f\$" || fail "the package lacks $f"
done

# Unpacked, the programs start: the window keeps running until stopped.
dpkg-deb -x "$deb" "$out/root" || fail "dpkg-deb -x"
"$out/root/usr/bin/quilnaver-list" --help > /dev/null || fail "quilnaver-list does not run"
HOME="$out" XDG_CONFIG_HOME="$out/config" QT_QPA_PLATFORM=offscreen timeout 5 "$out/root/usr/bin/quilnaver" > /dev/null 2>&1
status=$?
[ "$status" -eq 124 ] || fail "quilnaver ended at once with status $status"
echo ok
