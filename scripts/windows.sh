#!/usr/bin/env bash
# The Windows build, made and tested on this Linux machine:
#   1. Qt for MinGW, built once from Debian's qt6-base source into a cache
#      folder outside the repository;
#   2. Quilnaver and its core tests cross-built with cmake/mingw-w64.cmake;
#   3. a portable folder (the two programs, the DLLs they need, the help
#      file) and a ZIP of it;
#   4. the core tests, a smoke test of the window and the command line run
#      under wine64.
# The cache is $QUILNAVER_WINDOWS_CACHE, by default ~/.cache/quilnaver-windows.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
cache=${QUILNAVER_WINDOWS_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/quilnaver-windows}
qt=$cache/qt-6.4.2-mingw
build=build-windows
mkdir -p "$cache"

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"

packages=(cmake ninja-build dpkg-dev g++-mingw-w64-x86-64-posix wine wine64 xvfb xauth
          qt6-base-dev qt6-base-dev-tools googletest)

install_missing() {
    local missing=()
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        $sudo apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
    fi
}

# apt-get source needs a deb-src entry beside Debian's deb entry.
add_source_entry() {
    if ! grep -rqs '^Types:.*deb-src\|^deb-src ' /etc/apt/sources.list /etc/apt/sources.list.d/; then
        $sudo tee /etc/apt/sources.list.d/quilnaver-deb-src.sources >/dev/null <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
        $sudo apt-get update -qq
    fi
}

build_qt() {
    [ -f "$qt/lib/cmake/Qt6/Qt6Config.cmake" ] && [ -f "$qt/.complete" ] && return 0
    add_source_entry
    local src=$cache/src
    if [ ! -d "$src/qtbase" ]; then
        rm -rf "$src" && mkdir -p "$src"
        (cd "$src" && apt-get source -qq --download-only qt6-base >/dev/null \
            && dpkg-source -x --skip-patches ./qt6-base_*.dsc qtbase >/dev/null)
        # Qt 6.4.2 asks for dynamic OpenGL in the Windows platform plugin
        # even when OpenGL is off.
        sed -i 's/^#if QT_CONFIG(dynamicgl)$/#if QT_CONFIG(dynamicgl) \&\& QT_CONFIG(opengl)/' \
            "$src/qtbase/src/plugins/platforms/windows/qwindowswindow.cpp"
    fi
    echo "Building Qt for MinGW once (about 15 minutes on two cores) into $qt"
    cmake -S "$src/qtbase" -B "$cache/qt-build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64.cmake" \
        -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$qt" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DQT_QMAKE_TARGET_MKSPEC=win32-g++ \
        -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
        -DFEATURE_sql=OFF -DFEATURE_network=OFF -DFEATURE_dbus=OFF -DFEATURE_opengl=OFF \
        -DFEATURE_printsupport=OFF -DFEATURE_vulkan=OFF -DFEATURE_tabletevent=OFF \
        -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF \
        -DFEATURE_system_jpeg=OFF -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_freetype=OFF \
        -DFEATURE_system_doubleconversion=OFF -DFEATURE_system_libb2=OFF \
        >"$cache/qt-configure.log"
    cmake --build "$cache/qt-build" -j2 >"$cache/qt-build.log"
    cmake --install "$cache/qt-build" >/dev/null
    touch "$qt/.complete"
}

build_quilnaver() {
    cmake -S . -B "$build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64.cmake" -DQUILNAVER_WINDOWS_QT="$qt" \
        -DCMAKE_PREFIX_PATH="$qt" -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DCMAKE_AUTORCC_OPTIONS=--no-zstd -DCMAKE_BUILD_TYPE=Release -DQUILNAVER_BENCH=OFF >/dev/null
    cmake --build "$build" -j2
}

# The portable folder and its ZIP; every DLL a program or a DLL in it loads
# is in the folder or part of Windows.
make_portable() {
    rm -rf "$build/Quilnaver"
    cmake --install "$build" --prefix "$build/Quilnaver" >/dev/null
    (cd "$build" && cpack -G ZIP >/dev/null)
    local missing
    missing=$(for f in "$build"/Quilnaver/*.exe "$build"/Quilnaver/*.dll "$build"/Quilnaver/*/*.dll; do
        x86_64-w64-mingw32-objdump -p "$f" | sed -n 's/^\tDLL Name: //p'
    done | sort -u | while read -r dll; do
        [ -e "$build/Quilnaver/$dll" ] && continue
        # API sets: names Windows itself resolves.
        case "$dll" in api-ms-win-* | ext-ms-*) continue ;; esac
        [ -e "$wine_system/$(echo "$dll" | tr 'A-Z' 'a-z')" ] && continue
        echo "$dll"
    done)
    if [ -n "$missing" ]; then
        echo "DLLs neither in the folder nor in Windows: $missing" >&2
        exit 1
    fi
    echo "Portable folder: $build/Quilnaver ($(ls "$build/Quilnaver" | tr '\n' ' '))"
    echo "ZIP: $(ls "$build"/quilnaver-*-windows-x64.zip)"
}

run_wine() { # the program and its arguments, in the test folder
    (cd "$tests" && WINEDEBUG=-all wine "$@")
}

test_under_wine() {
    export WINEPREFIX=$cache/wine WINEDLLOVERRIDES="mscoree,mshtml="
    [ -d "$WINEPREFIX/drive_c/windows" ] || WINEDEBUG=-all wineboot -i >/dev/null 2>&1
    tests=$build/wine-tests
    rm -rf "$tests" && cp -r "$build/Quilnaver" "$tests"
    cp "$build/tests/windows/core_tests.exe" "$build/tests/windows/window_smoke.exe" "$qt/bin/Qt6Test.dll" "$tests/"

    echo "== the core tests under Wine"
    run_wine ./core_tests.exe

    echo "== the window under Wine (Xvfb)"
    # A Wine session started without a display has no desktop to show on.
    wineserver -k 2>/dev/null || true
    (cd "$tests" && WINEDEBUG=-all xvfb-run -a -s "-screen 0 1280x1024x24" wine ./window_smoke.exe)

    echo "== the command line under Wine against the Linux build"
    bash "$repo/tests/windows/command_line_test.sh" "$tests/quilnaver-list.exe" "$linux_list"
}

install_missing
build_qt
[ "${1:-}" = qt-only ] && exit 0
build_quilnaver
wine_system=$cache/wine/drive_c/windows/system32
export WINEPREFIX=$cache/wine
[ -d "$WINEPREFIX/drive_c/windows" ] || WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" wineboot -i >/dev/null 2>&1
make_portable
# The Linux build's quilnaver-list, for the same directory's bytes.
cmake -S . -B build-release -DCMAKE_BUILD_TYPE=Release -DQUILNAVER_TESTS=OFF -DQUILNAVER_BENCH=OFF >/dev/null
cmake --build build-release -j2 --target quilnaver-list >/dev/null
linux_list=$repo/build-release/src/quilnaver-list
test_under_wine
echo "Windows build and tests: passed"
