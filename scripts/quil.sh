#!/usr/bin/env bash
# Installs what is missing, builds, and then runs the program or the tests.
#   scripts/quil.sh run     build in Release and start Quilnaver
#   scripts/quil.sh test    build and run every test on the offscreen platform
#   scripts/quil.sh sanitize  the same tests under AddressSanitizer and UBSan
#   scripts/quil.sh tsan    the tests of the threaded parts under ThreadSanitizer
#   scripts/quil.sh bench   build and run the benchmarks
#   scripts/quil.sh windows the Windows build (Qt for MinGW built once), a portable
#                           folder and ZIP, and its tests under Wine
set -euo pipefail
cd "$(dirname "$0")/.."

# qt6-translations-l10n: Qt's own dialogs in Japanese. libssl-dev: SHA-256
# from OpenSSL's libcrypto. libsqlite3-dev: the catalogue's store.
packages=(cmake g++ make qt6-base-dev qt6-base-dev-tools libgl-dev libgtest-dev googletest
          libbenchmark-dev fonts-ipafont-gothic qt6-translations-l10n libssl-dev libsqlite3-dev)
# The install and package tests check with these; MinGW compiles the Windows
# sources, syntax only. sqlite3 reads a catalogue as any other program would.
test_packages=(desktop-file-utils appstream dpkg-dev file g++-mingw-w64-x86-64-posix sqlite3)

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
    install_missing "${test_packages[@]}"
    build build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUILNAVER_BENCH=OFF
    QT_QPA_PLATFORM=offscreen ctest --test-dir build-test --output-on-failure -j2
    ;;
sanitize)
    install_missing "${test_packages[@]}"
    build build-asan -DCMAKE_BUILD_TYPE=Debug -DQUILNAVER_SANITIZE=ON -DQUILNAVER_BENCH=OFF
    QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 ctest --test-dir build-asan --output-on-failure -j2
    ;;
tsan)
    # The threaded parts under ThreadSanitizer: the tree walk, the directory
    # add's stamp reading, sorting, the check of a list, and the progress
    # window with its worker.
    install_missing "${test_packages[@]}"
    build build-tsan -DCMAKE_BUILD_TYPE=Debug -DQUILNAVER_TSAN=ON -DQUILNAVER_BENCH=OFF
    QT_QPA_PLATFORM=offscreen TSAN_OPTIONS="halt_on_error=1 suppressions=$PWD/tests/tsan.supp" \
        ctest --test-dir build-tsan --output-on-failure -j2 \
        -R '^(TreeWalk|AppendDirectory|Sort|Threads|ProgressWindow|AddDirectoryTree|SortByTitle|Check|RecordCommands|Digest|FilteredTree|WindowRoom|CatalogueWindow)\.'
    ;;
bench)
    # openssl and sha256sum are what the digest benchmark measures against.
    install_missing openssl coreutils
    build build-release -DCMAKE_BUILD_TYPE=Release -DQUILNAVER_TESTS=OFF -DQUILNAVER_BENCH=ON
    bash scripts/run-benchmarks.sh build-release/bench
    ;;
windows)
    install_missing
    exec bash scripts/windows.sh
    ;;
*)
    echo "usage: $0 run|test|sanitize|tsan|bench|windows" >&2
    exit 2
    ;;
esac
