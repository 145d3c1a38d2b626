#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets up a Debian 12 machine for tonvar, builds it, and then either starts the
# application (`run`) or runs every test (`test`).
#
#   bash tools/dev.sh run    install what is missing, build, start build/tonvar
#   bash tools/dev.sh test   install what is missing, build, run all tests in
#                            the normal build and under AddressSanitizer and
#                            UndefinedBehaviorSanitizer (serial tests also
#                            under ThreadSanitizer); build, check (lintian,
#                            hardening-check), install and check the Debian
#                            package; build once with clang; run each fuzz
#                            target for 30 seconds (fuzz/README.md); before
#                            all that, shellcheck every shell script
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(g++ cmake ninja-build pkg-config qt6-base-dev libgtest-dev libgmock-dev libudev-dev libxcb1-dev)
# What `test` needs besides: the clang build, the Debian package and its checks.
test_packages=(clang dpkg-dev file desktop-file-utils appstream shared-mime-info libxml2-utils udev man-db xvfb xdotool openbox
               lintian devscripts shellcheck
               clang-14 libfuzzer-14-dev libclang-rt-14-dev llvm-14
               qemu-system-x86 busybox-static cpio)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_missing() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    as_root apt-get update -q
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "${missing[@]}"
}

build() {
    cmake --preset "$1"
    cmake --build --preset "$1"
}

# Every shell script of the tree: *.sh and whatever starts with a #! line
# naming sh or bash (the build folders and .git left out), NUL-separated.
shell_scripts() {
    local f line
    find . \( -path ./.git -o -path './build*' -o -path ./.cache \) -prune -o -type f -print0 |
        while IFS= read -r -d '' f; do
            case $f in
            *.sh) printf '%s\0' "$f" ;;
            *)
                line=$(head -c 100 "$f" | head -n 1 | tr -d '\0') || line=
                case $line in
                '#!'*[/\ ]sh | '#!'*[/\ ]sh\ * | '#!'*[/\ ]bash | '#!'*[/\ ]bash\ *) printf '%s\0' "$f" ;;
                esac
                ;;
            esac
        done
}

check_shell_scripts() {
    local scripts=()
    mapfile -d '' -t scripts < <(shell_scripts | sort -z)
    [ ${#scripts[@]} -gt 0 ] || { echo "no shell scripts found" >&2; return 1; }
    shellcheck "${scripts[@]}"
    echo "shellcheck: ${#scripts[@]} scripts clean"
}

# The Debian package from the default build: built, checked by lintian (no
# error, no warning), installed on this machine, and its installed files
# checked.
check_package() {
    local version deb id=io.github.tonvar.tonvar
    version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/CMakeCache.txt)
    rm -f build/package/tonvar_*.deb
    cpack --preset default
    deb=$(echo build/package/tonvar_"$version"_*.deb)
    lintian --fail-on error,warning "$deb"
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --reinstall "./$deb"
    # Hardened as Debian 12 builds its packages: PIE, stack protector,
    # _FORTIFY_SOURCE, relro and bind-now (lintian reports these only as
    # information). Control-flow protection (-fcf-protection) is not among
    # Debian 12's defaults and not asked for here.
    hardening-check --nocfprotection /usr/bin/tonvar /usr/bin/tonvar-cli /usr/bin/tonvar-radio-sim
    [ "$(zcat /usr/share/doc/tonvar/changelog.gz | sed -n '1s/^tonvar (\([^)]*\)) .*/\1/p')" = "$version" ] ||
        { echo "changelog: the latest entry is not $version" >&2; return 1; }
    grep -q '^License: GPL-3+$' /usr/share/doc/tonvar/copyright ||
        { echo "copyright: not GPL-3+" >&2; return 1; }
    desktop-file-validate "/usr/share/applications/$id.desktop"
    # The file types the menu entry opens: defined, well-formed, taken into
    # the desktop's database, and declared by the entry.
    xmllint --noout "/usr/share/mime/packages/$id.xml"
    as_root update-mime-database /usr/share/mime
    local type
    for type in application/x-tonvar-channels application/x-tonvar-radio-image; do
        [ -f "/usr/share/mime/$type.xml" ] || { echo "MIME type $type is not in the database" >&2; return 1; }
        grep -q "^MimeType=.*$type;" "/usr/share/applications/$id.desktop" ||
            { echo "the desktop entry does not open $type" >&2; return 1; }
    done
    appstreamcli validate --no-net "/usr/share/metainfo/$id.metainfo.xml"
    grep -q "<release version=\"$version\"" "/usr/share/metainfo/$id.metainfo.xml" ||
        { echo "metainfo: no release $version" >&2; return 1; }
    [ "$(env -u DISPLAY -u WAYLAND_DISPLAY tonvar --version)" = "tonvar $version" ] ||
        { echo "installed tonvar --version does not say $version" >&2; return 1; }
    /usr/bin/tonvar-cli --help >/dev/null ||
        { echo "installed tonvar-cli --help failed" >&2; return 1; }
    # The command-line tool runs where no Qt Gui or Widgets is installed.
    local libs
    libs=$(ldd /usr/bin/tonvar-cli)
    ! grep -E 'libQt6(Widgets|Gui)' <<<"$libs" ||
        { echo "tonvar-cli links Qt Gui or Widgets" >&2; return 1; }
    man -w tonvar tonvar-cli tonvar-radio-sim >/dev/null
    for page in tonvar tonvar-cli tonvar-radio-sim; do
        [ -z "$(man --warnings -l "$(man -w "$page")" 2>&1 >/dev/null)" ] ||
            { echo "man page $page has warnings" >&2; return 1; }
    done
    # The udev rule parses, and only tells ModemManager to keep off.
    local rule=/usr/lib/udev/rules.d/70-tonvar-cables.rules
    ! udevadm test --action=add /sys/class/tty/tty 2>&1 | grep -F "$rule:" ||
        { echo "udev rule does not parse" >&2; return 1; }
    ! grep -E '^[^#]*(MODE|GROUP|OWNER|TAG|RUN)' "$rule" ||
        { echo "udev rule changes more than ModemManager's flag" >&2; return 1; }
    echo "Debian package $deb installed and checked"
}

case "${1:-}" in
run)
    install_missing "${packages[@]}"
    build default
    exec ./build/tonvar
    ;;
test)
    install_missing "${packages[@]}" "${test_packages[@]}"
    check_shell_scripts
    build default
    ctest --preset default
    check_package
    # clang finds what g++ does not; a compile check, warnings are errors.
    build clang
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
