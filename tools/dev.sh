#!/usr/bin/env bash
# Sets up a Debian 12 machine for tonvar, builds it, and then either starts the
# application (`run`) or runs every test (`test`).
#
#   bash tools/dev.sh run    install what is missing, build, start build/tonvar
#   bash tools/dev.sh test   install what is missing, build, run all tests in
#                            the normal build and under AddressSanitizer and
#                            UndefinedBehaviorSanitizer (serial tests also
#                            under ThreadSanitizer), then run each fuzz
#                            target for 30 seconds (fuzz/README.md)
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(g++ cmake ninja-build pkg-config qt6-base-dev libgtest-dev libgmock-dev libudev-dev)
# The fuzz targets: clang 14 with libFuzzer and the sanitizer runtimes.
fuzz_packages=(clang-14 libfuzzer-14-dev libclang-rt-14-dev llvm-14)

install_missing() {
    local missing=() p
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q "${missing[@]}"
}

build() {
    cmake --preset "$1"
    cmake --build --preset "$1"
}

case "${1:-}" in
run)
    install_missing
    build default
    exec ./build/tonvar
    ;;
test)
    packages+=("${fuzz_packages[@]}")
    install_missing
    build default
    ctest --preset default
    build asan
    ctest --preset asan
    build tsan
    ctest --preset tsan
    build fuzz
    bash fuzz/run.sh 30
    ;;
*)
    echo "usage: bash tools/dev.sh run|test" >&2
    exit 2
    ;;
esac
