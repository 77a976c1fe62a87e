#!/usr/bin/env bash
# Compiles, syntax only, every source file the Windows build compiles (the
# list CMake writes), with MinGW against Qt's headers, so a mistake that only
# Windows would see fails here. Linking and running on Windows are not
# checked here. The workbook, page and print sources are compiled with
# zlib's headers, linked into the build folder's
# windows-include.
#   windows_syntax_test.sh BUILD_DIR SOURCE_DIR QT_INCLUDE_DIR
set -u
build=${1:?build folder}
source=${2:?source folder}
qt=${3:?Qt include folder}
compiler=x86_64-w64-mingw32-g++-posix
if ! command -v "$compiler" >/dev/null; then
    echo "SKIP: $compiler is not installed (package g++-mingw-w64-x86-64-posix)"
    exit 77
fi
list="$build/windows-sources.txt"
[ -s "$list" ] || { echo "FAIL: no list of Windows sources at $list" >&2; exit 1; }
count=$(grep -c . "$list")
# SQLite's one header, as the Windows build gets it from the amalgamation;
# alone in a folder, so no other Linux header leaks in.
sqlite=$(mktemp -d)
trap 'rm -rf "$sqlite"' EXIT
cp /usr/include/sqlite3.h "$sqlite/" 2>/dev/null || { echo "FAIL: no sqlite3.h (package libsqlite3-dev)" >&2; exit 1; }
# Two at a time, as the machine has two cores; each failure names its file.
failed=$(grep . "$list" | xargs -P 2 -I{} sh -c '
    "$0" -std=c++20 -fsyntax-only -Wall -Wextra -Werror -DUNICODE -D_UNICODE \
        -DQUILNAVER_DATA_FROM_BIN="\"../share/quilnaver\"" \
        -DQUILNAVER_OFFICE -I"$1/src" -isystem "$2" -isystem "$2/QtCore" -isystem "$2/QtGui" \
        -isystem "$2/QtWidgets" -isystem "$2/QtPrintSupport" -isystem "$4/windows-include" -isystem "$5" "$3" \
        || { echo "FAIL: $3" >&2; echo x; }' "$compiler" "$source" "$qt" {} "$build" "$sqlite" | grep -c x)
[ "$count" -gt 0 ] || { echo "FAIL: the list of Windows sources is empty" >&2; exit 1; }
grep -q '_win\.cpp$' "$list" || { echo "FAIL: no Windows platform file in the list" >&2; exit 1; }
if grep -q -E '_(posix|iconv)\.cpp$' "$list"; then
    echo "FAIL: a file of this platform is in the Windows list" >&2
    exit 1
fi
echo "$((count - failed)) passed, $failed failed"
[ "$failed" -eq 0 ]
