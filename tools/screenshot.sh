#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes docs/screenshot.png, the main window as the README and the AppStream
# metainfo show it: tonvar on a virtual X display (Xvfb) with an example
# channel file loaded. Run it after changing the window and commit the
# picture.
#
#   bash tools/screenshot.sh [DIR [path/to/tonvar]]
#
# With DIR, it takes instead the whole screen for every case the window must
# look right in, for looking at, into DIR: Qt scale factors 1, 1.5 and 2 on
# 1280 x 800 and 1920 x 1200 screens, each with a light and a dark desktop
# palette (a KDE colour scheme, which Qt reads itself), under the openbox
# window manager; and the window with View > All Columns on. The tool
# defaults to build/tonvar.
set -euo pipefail
cd "$(dirname "$0")/.."
cases=${1:-}
tonvar=${2:-build/tonvar}
[ -z "$cases" ] || mkdir -p "$cases"

packages=(xvfb xdotool imagemagick x11-utils fonts-dejavu-core openbox)
missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -q
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -q "${missing[@]}"
fi
if [ ! -x "$tonvar" ]; then
    cmake --preset default
    cmake --build --preset default --target tonvar
fi

work=$(mktemp -d)
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT

# Waits up to 10 s for a command to succeed.
wait_for() {
    local _
    for _ in $(seq 100); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    echo "screenshot: gave up waiting for: $*" >&2
    return 1
}

# A few programmed channels: simplex and repeater pairs, CTCSS and DCS tones.
crlf() { printf '%s\r\n' "$@"; }
{
    crlf '"Ch No.","RX Freq","TX Freq","QT/DQT Dec",QT/DQTEnc,"TX Power",W/N,"Scan Add.","Step Freq",DTMF1,DTMF2,PTTID,Scrambler,"PTTID Typ","PTTID NO.",Compandor'
    crlf '1,145.50000,145.50000,NONE,NONE,HIGH,WIDE,YES,12500,NONE,NONE,NONE,NONE,DTMF,1,NONE'
    crlf '2,145.62500,145.02500,88.5,88.5,HIGH,WIDE,YES,12500,NONE,NONE,NONE,NONE,DTMF,1,NONE'
    crlf '3,145.75000,145.15000,67.0,67.0,HIGH,WIDE,YES,12500,NONE,NONE,NONE,NONE,DTMF,1,NONE'
    crlf '4,433.50000,433.50000,NONE,NONE,LOW,NARROW,YES,12500,NONE,NONE,NONE,NONE,DTMF,1,NONE'
    crlf '5,439.10000,431.50000,D023N,D023N,HIGH,NARROW,YES,12500,NONE,NONE,NONE,NONE,DTMF,1,NONE'
    crlf '6,446.00625,446.00625,NONE,NONE,LOW,NARROW,NONE,6250,NONE,NONE,NONE,NONE,DTMF,1,NONE'
    crlf '7,446.01875,446.01875,114.8,114.8,LOW,NARROW,NONE,6250,NONE,NONE,NONE,NONE,DTMF,1,NONE'
    crlf '8,156.80000,156.80000,NONE,NONE,HIGH,WIDE,NONE,25000,NONE,NONE,NONE,NONE,DTMF,1,NONE'
    for ch in $(seq 9 16); do crlf "$ch,,,,,,,,,,,,,,,"; done
    crlf NONE 1 3 60 ENGLISH NONE NONE OPEN OPEN
} >"$work/example.wh"

# A dark desktop: KDE's colour scheme "Breeze Dark", which Qt takes for its
# palette under QT_QPA_PLATFORMTHEME=kde.
mkdir -p "$work/dark"
cat >"$work/dark/kdeglobals" <<'KDE'
[Colors:Window]
BackgroundNormal=42,46,50
ForegroundNormal=239,240,241
[Colors:View]
BackgroundNormal=27,30,32
BackgroundAlternate=35,38,41
ForegroundNormal=239,240,241
[Colors:Button]
BackgroundNormal=49,54,59
ForegroundNormal=239,240,241
[Colors:Selection]
BackgroundNormal=61,174,233
ForegroundNormal=252,252,252
[Colors:Tooltip]
BackgroundNormal=49,54,59
ForegroundNormal=239,240,241
KDE
dark=(QT_QPA_PLATFORMTHEME=kde KDE_SESSION_VERSION=5 KDE_FULL_SESSION=true "XDG_CONFIG_HOME=$work/dark")
# The window with View > All Columns on, as remembered from an earlier start.
mkdir -p "$work/wide/tonvar"
printf '[view]\nallColumns=true\n' >"$work/wide/tonvar/tonvar.conf"

# screen SIZE [wm]: a fresh Xvfb of that size (openbox on it with "wm");
# DISPLAY names it.
screen() {
    stop_screen
    rm -f "$work/display"
    Xvfb -displayfd 3 -screen 0 "${1}x24" -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
    xvfb=$!
    pids+=("$xvfb")
    wait_for test -s "$work/display"
    DISPLAY=:$(head -1 "$work/display")
    export DISPLAY
    wait_for xdpyinfo
    if [ "${2:-}" = wm ]; then
        openbox --sm-disable >/dev/null 2>&1 &
        wm=$!
        pids+=("$wm")
        wait_for sh -c 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q window'
    fi
}
xvfb=
wm=
stop_screen() {
    local pid
    for pid in $wm $xvfb; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    wm=
    xvfb=
}

# shoot OUT WHAT [environment...]: tonvar with the example file, its window
# (WHAT = window) or the whole screen (WHAT = root) into OUT.
shoot() {
    local out=$1 what=$2
    shift 2
    env QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work" XDG_CONFIG_HOME="$work/config" "$@" \
        "$tonvar" "$work/example.wh" >"$work/tonvar.log" 2>&1 &
    local pid=$!
    pids+=("$pid")
    wait_for xdotool search --onlyvisible --name '^TONVAR  V1\.0$'
    local window
    window=$(xdotool search --onlyvisible --name '^TONVAR  V1\.0$' | head -1)
    # Under a window manager: framed and placed by it first.
    [ -z "$wm" ] || wait_for sh -c "xprop -id $window _NET_FRAME_EXTENTS | grep -q ="
    sleep 1 # the file opened and the table painted
    mkdir -p "$(dirname "$out")"
    if [ "$what" = root ]; then
        import -window root "$out"
    else
        import -window "$window" "$out"
    fi
    echo "screenshot: wrote $out ($(identify -format '%wx%h' "$out"))"
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}

if [ -z "$cases" ]; then
    screen 1280x800
    shoot docs/screenshot.png window
    exit 0
fi
for size in 1280x800 1920x1200; do
    screen "$size" wm
    for scale in 1 1.5 2; do
        shoot "$cases/$size-scale$scale-light.png" root QT_SCALE_FACTOR="$scale"
        shoot "$cases/$size-scale$scale-dark.png" root QT_SCALE_FACTOR="$scale" "${dark[@]}"
    done
    shoot "$cases/$size-all-columns.png" root XDG_CONFIG_HOME="$work/wide"
done
stop_screen
