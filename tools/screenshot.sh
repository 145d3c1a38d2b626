#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes docs/screenshot.png, the main window as the README and the AppStream
# metainfo show it: tonvar on a virtual X display (Xvfb) with an example
# channel file loaded through File > Open. Run it after changing the window
# and commit the picture.
#
#   bash tools/screenshot.sh [path/to/tonvar]     (default: build/tonvar)
set -euo pipefail
cd "$(dirname "$0")/.."
tonvar=${1:-build/tonvar}
out=docs/screenshot.png

packages=(xvfb xdotool imagemagick x11-utils fonts-dejavu-core)
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

# A dark desktop: light text on dark ground, as a dark theme gives it.
cat >"$work/dark.qss" <<'QSS'
QWidget { background-color: #2b2b2b; color: #e6e6e6; }
QLineEdit, QComboBox, QTableView { background-color: #1e1e1e; color: #e6e6e6; }
QSS

# Xvfb picks a free display number and writes it to fd 3.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
pids+=($!)
wait_for test -s "$work/display"
DISPLAY=:$(head -1 "$work/display")
export DISPLAY
wait_for xdpyinfo

# shoot OUT [environment...] -- [tonvar arguments...]: the main window with the
# example file opened through File > Open, into OUT.
shoot() {
    local out=$1 env=() args=()
    shift
    while [ $# -gt 0 ] && [ "$1" != -- ]; do env+=("$1"); shift; done
    [ $# -gt 0 ] && shift
    args=("$@")
    env QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$work" "${env[@]}" "$tonvar" "${args[@]}" >"$work/tonvar.log" 2>&1 &
    local pid=$!
    pids+=("$pid")
    wait_for xdotool search --onlyvisible --name '^TONVAR  V1\.0$'
    local window
    window=$(xdotool search --onlyvisible --name '^TONVAR  V1\.0$' | head -1)
    xdotool windowfocus --sync "$window"

    # File > Open..., then the file's path into the dialog.
    xdotool key --clearmodifiers alt+f
    sleep 0.5
    xdotool key o
    wait_for xdotool search --onlyvisible --name '^Open'
    local dialog
    dialog=$(xdotool search --onlyvisible --name '^Open' | head -1)
    xdotool windowfocus --sync "$dialog"
    xdotool type --delay 20 "$work/example.wh"
    xdotool key Return
    for _ in $(seq 100); do
        xdotool search --onlyvisible --name '^Open' >/dev/null 2>&1 || break
        sleep 0.1
    done
    xdotool windowfocus --sync "$window"
    sleep 1 # let the table repaint

    mkdir -p "$(dirname "$out")"
    import -window "$window" "$out"
    echo "screenshot: wrote $out ($(identify -format '%wx%h' "$out"))"
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}

shoot "$out"
# The same window under a dark palette, and at twice the scale on a
# 1280 x 800 screen (check that every control can still be reached): for
# looking at, not committed.
shoot "${TMPDIR:-/tmp}/tonvar-dark.png" -- -stylesheet "$work/dark.qss"
shoot "${TMPDIR:-/tmp}/tonvar-scale2.png" QT_SCALE_FACTOR=2 --
