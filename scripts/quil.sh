#!/usr/bin/env bash
# Installs what is missing, builds, and then runs the program or the tests.
#   scripts/quil.sh run     build in Release and start Quilnaver
#   scripts/quil.sh test    build and run every test on the offscreen platform
#   scripts/quil.sh sanitize  the same tests under AddressSanitizer and UBSan
#   scripts/quil.sh tsan    the tests of the threaded parts under ThreadSanitizer
#   scripts/quil.sh bench   build and run the benchmarks
#   scripts/quil.sh windows the Windows build (Qt for MinGW built once), a portable
#                           folder and ZIP, and its tests under Wine
#   scripts/quil.sh fuzz [SECONDS]  every libFuzzer target for SECONDS each (default 300)
set -euo pipefail
cd "$(dirname "$0")/.."

# qt6-translations-l10n: Qt's own dialogs in Japanese. libssl-dev: SHA-256
# from OpenSSL's libcrypto. zlib1g-dev: deflate and CRC-32 for the Excel
# workbooks' ZIP archive. libsqlite3-dev: the catalogue's store.
packages=(cmake g++ make qt6-base-dev qt6-base-dev-tools libgl-dev libgtest-dev googletest
          libbenchmark-dev fonts-ipafont-gothic qt6-translations-l10n libssl-dev zlib1g-dev
          libsqlite3-dev)
# The install and package tests check with these; MinGW compiles the Windows
# sources, syntax only. LibreOffice and openpyxl read the workbooks back,
# poppler's tools the PDFs; headless Chromium, driven by Selenium, opens the
# HTML page; sqlite3 reads a catalogue as any other program would.
test_packages=(desktop-file-utils appstream dpkg-dev file g++-mingw-w64-x86-64-posix
               libreoffice-calc-nogui python3-openpyxl poppler-utils
               chromium chromium-driver python3-selenium sqlite3)
# libFuzzer comes with clang's runtime libraries.
fuzz_packages=(clang libclang-rt-14-dev)

install_missing() {
    local missing=()
    for p in "${packages[@]}" "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        local sudo=""
        [ "$(id -u)" -eq 0 ] || sudo="sudo"
        $sudo apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
    fi
}

# Every fuzz target, each for $1 seconds, on its corpus (fuzz/corpus-csv for
# csv_fuzz, fuzz/corpus for settings_fuzz). What it finds is left in
# build-fuzz/findings; a finding fails the run.
fuzz() {
    local seconds=$1
    CC=clang CXX=clang++ cmake -S . -B build-fuzz -DQUILNAVER_FUZZ=ON -DQUILNAVER_TESTS=OFF -DQUILNAVER_BENCH=OFF \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
    cmake --build build-fuzz -j2 --target settings_fuzz csv_fuzz catalogue_fuzz
    mkdir -p build-fuzz/findings
    local target corpus work
    for target in settings_fuzz csv_fuzz catalogue_fuzz; do
        case $target in
        settings_fuzz) corpus=fuzz/corpus ;;
        csv_fuzz) corpus=fuzz/corpus-csv ;;
        catalogue_fuzz) corpus=fuzz/corpus-catalogue ;;
        esac
        work=build-fuzz/corpus-$target
        mkdir -p "$work"
        echo "== $target, $seconds s"
        if ! ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 "build-fuzz/fuzz/$target" "$work" "$corpus" -max_total_time="$seconds" \
            -max_len=65536 -artifact_prefix=build-fuzz/findings/ -print_final_stats=1 2>&1 | tail -n 15; then
            echo "$target failed: the input is in build-fuzz/findings/" >&2
            return 1
        fi
    done
}

build() { # dir, extra cmake options...
    local dir=$1; shift
    cmake -S . -B "$dir" "$@" >/dev/null
    cmake --build "$dir" -j2
}

case "${1:-}" in
run)
    install_missing
    build build-release -DCMAKE_BUILD_TYPE=Release -DQUILNAVER_TESTS=OFF -DQUILNAVER_BENCH=OFF
    exec build-release/src/quilnaver
    ;;
test)
    install_missing "${test_packages[@]}" "${fuzz_packages[@]}"
    build build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILNAVER_BENCH=OFF
    QT_QPA_PLATFORM=offscreen ctest --test-dir build-test --output-on-failure -j2
    fuzz 30
    ;;
fuzz)
    install_missing "${fuzz_packages[@]}"
    fuzz "${2:-300}"
    ;;
sanitize)
    install_missing "${test_packages[@]}"
    build build-asan -DCMAKE_BUILD_TYPE=Debug -DQUILNAVER_SANITIZE=ON -DQUILNAVER_BENCH=OFF
    QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 ctest --test-dir build-asan --output-on-failure -j2
    ;;
tsan)
    # The threaded parts under ThreadSanitizer: the tree walk, the directory
    # add's stamp reading, sorting, the check of a list, and the progress
    # window with its worker, and the exports cancelled behind it.
    install_missing "${test_packages[@]}"
    build build-tsan -DCMAKE_BUILD_TYPE=Debug -DQUILNAVER_TSAN=ON -DQUILNAVER_BENCH=OFF
    QT_QPA_PLATFORM=offscreen TSAN_OPTIONS="halt_on_error=1 suppressions=$PWD/tests/tsan.supp" \
        ctest --test-dir build-tsan --output-on-failure -j2 \
        -R '^(TreeWalk|AppendDirectory|Sort|Threads|ProgressWindow|AddDirectoryTree|SortByTitle|Check|CheckScope|RecordCommands|RecordCheck|Digest|DigestSafety|FilteredTree|WindowRoom|SaveHtmlFile|ExportCancel|CatalogueWindow)\.'
    ;;
bench)
    # openssl and sha256sum are what the digest benchmark measures against;
    # the HTML page is timed in headless Chromium.
    install_missing openssl coreutils chromium chromium-driver python3-selenium
    build build-release -DCMAKE_BUILD_TYPE=Release -DQUILNAVER_TESTS=OFF -DQUILNAVER_BENCH=ON
    bash scripts/run-benchmarks.sh build-release/bench
    ;;
windows)
    install_missing
    exec bash scripts/windows.sh
    ;;
*)
    echo "usage: $0 run|test|sanitize|tsan|bench|windows|fuzz [SECONDS]" >&2
    exit 2
    ;;
esac
