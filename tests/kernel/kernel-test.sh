#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The serial port on the kernel's own drivers: a Debian kernel booted under
# QEMU (no KVM needed) with QEMU's FTDI adapter (ftdi_sio, /dev/ttyUSB0) or
# its 16550 UART (8250, /dev/ttyS1), whose host end is a simulated radio.
# tests/kernel/README.md describes it.
#
#   kernel-test.sh BUILD_DIR prepare     fetch the kernel, build the guest
#   kernel-test.sh BUILD_DIR SCENARIO    boot the guest, run it, judge
#
# Exit status: 0 passed, 1 failed, 77 skipped (the machine cannot run QEMU).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "$1" && pwd)
what=$2
guest=$build/kernel-guest

skip() {
    echo "SKIP: $*"
    exit 77
}
command -v qemu-system-x86_64 >/dev/null 2>&1 ||
    skip "qemu-system-x86_64 is not installed (apt-get install qemu-system-x86; the README's test command does)"

# --- the guest ---------------------------------------------------------------

prepare() {
    local tool
    for tool in cpio busybox dpkg-deb apt-get; do
        command -v "$tool" >/dev/null 2>&1 || { echo "FAIL: $tool is missing (busybox-static, cpio)"; exit 1; }
    done
    mkdir -p "$guest"
    cd "$guest"
    # The kernel Debian's linux-image-amd64 points at, unpacked, not installed.
    local kpkg
    kernel_package() {
        apt-cache depends linux-image-amd64 2>/dev/null | sed -n 's/.*Depends: \(linux-image-[0-9].*\)/\1/p' | head -1
    }
    kpkg=$(kernel_package)
    if [ -z "$kpkg" ] && [ "$(id -u)" -eq 0 ]; then
        apt-get update -q >/dev/null
        kpkg=$(kernel_package)
    fi
    [ -n "$kpkg" ] || { echo "FAIL: no linux-image-amd64 in the package lists (apt-get update)"; exit 1; }
    if [ ! -f "$kpkg.deb" ]; then
        rm -f linux-image-*.deb
        apt-get download -q "$kpkg" 2>&1 | grep -v '^W: Download is performed unsandboxed' || true
        ls "$kpkg"_*.deb >/dev/null 2>&1 || { echo "FAIL: apt-get download $kpkg failed"; exit 1; }
        mv "$kpkg"_*.deb "$kpkg.deb"
    fi
    if [ "$(cat kernel-package 2>/dev/null)" != "$kpkg" ]; then
        rm -rf k && mkdir k && dpkg-deb -x "$kpkg.deb" k
        echo "$kpkg" >kernel-package
    fi
    local kver=${kpkg#linux-image-}
    cp "k/boot/vmlinuz-$kver" vmlinuz

    # initramfs: busybox, the USB host and USB-serial modules (each after
    # what it needs), tonvar-cli with every library it links, the init.
    rm -rf root && mkdir -p root/bin root/usr/bin root/mod root/data root/dev root/proc root/sys
    cp "$(command -v busybox)" root/bin/busybox
    local m path
    for m in usb-common usbcore xhci-hcd xhci-pci usbserial ftdi_sio; do
        path=$(find "k/lib/modules/$kver" -name "$m.ko*" | head -1)
        [ -n "$path" ] || { echo "FAIL: no module $m in $kpkg"; exit 1; }
        case $path in
        *.ko) cp "$path" root/mod/ ;;
        *.ko.xz) xz -dc "$path" >"root/mod/$m.ko" ;;
        *.ko.zst) zstd -qdc "$path" >"root/mod/$m.ko" ;;
        esac
        echo "$m" >>root/mod/order
    done
    cp "$build/tonvar-cli" "$build/tests/kernel/line-probe" root/usr/bin/
    local lib
    for lib in $(ldd "$build/tonvar-cli" "$build/tests/kernel/line-probe" |
        awk '$2 == "=>" && $3 ~ /^\// {print $3} $1 ~ /^\// && $2 ~ /^\(/ {print $1}' | sort -u); do
        mkdir -p "root$(dirname "$lib")"
        cp -L "$lib" "root$lib"
    done
    cp "$here/channels.wh" root/data/
    cp "$here/guest-init.sh" root/init
    chmod +x root/init
    (cd root && find . | cpio -o -H newc 2>/dev/null | gzip -1) >initrd.gz
    echo "guest: $kpkg, initramfs $(du -h initrd.gz | cut -f1)"
}

if [ "$what" = prepare ]; then
    prepare
    exit 0
fi
[ -f "$guest/initrd.gz" ] || { echo "FAIL: no guest: run '$0 $1 prepare' first"; exit 1; }

# --- one boot ------------------------------------------------------------------

work=$(mktemp -d "$build/kernel-run.XXXXXX")
pids=()
cleanup() {
    local pid
    exec 4>&- 2>/dev/null || true
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    if [ "${keep:-}" = 1 ]; then echo "kept: $work"; else rm -rf "$work"; fi
}
trap cleanup EXIT

keep=0
fail() {
    echo "FAIL ($what): $*"
    echo "--- guest console (last 60 lines)"
    tr -d '\r' <"$work/console.log" 2>/dev/null | tail -60
    echo "--- radio log (last 20 lines)"
    tail -20 "$work/sim.log" 2>/dev/null || true
    keep=1
    exit 1
}
# A command that fails where none should says which, with what the guest
# said, rather than ending the scenario without a word.
failed_command() {
    local status=$? line=$1 command=$2
    trap - ERR
    fail "line $line: \"$command\" ended with status $status"
}
trap 'failed_command "$LINENO" "$BASH_COMMAND"' ERR

# Waits up to $2 seconds for a command to succeed.
wait_for() {
    local limit=$(($2 * 10)) i=0
    until eval "$1"; do
        i=$((i + 1))
        [ $i -le $limit ] || return 1
        sleep 0.1
    done
}

# Starts a simulated radio (radio-sim arguments), its log in $1.
# Sets sim_device and sim_pid.
start_sim() {
    local log=$1
    shift
    "$build/radio-sim" "$@" >"$log" 2>&1 &
    sim_pid=$!
    pids+=("$sim_pid")
    wait_for "grep -q '^tonvar-radio-sim: device ' '$log'" 10 || fail "radio-sim did not start"
    sim_device=$(sed -n 's/^tonvar-radio-sim: device //p' "$log" | head -1)
}

# Boots the guest with the radio on the FTDI adapter or the second UART.
boot() {
    local port=()
    case $what in
    ftdi-*)
        port=(-device "qemu-xhci,id=xhci" -chardev "serial,id=cable,path=$sim_device"
            -device "usb-serial,chardev=cable,id=usb1" -chardev "file,id=spare,path=$work/spare.out") ;;
    uart-break)
        # A telnet server: IAC BREAK from the host end is a break on the line.
        port=(-chardev "socket,id=line,host=127.0.0.1,port=$line_port,server=on,wait=off,telnet=on"
            -serial chardev:line) ;;
    uart-*) port=(-serial "$sim_device") ;;
    esac
    mkfifo "$work/monitor"
    timeout 240 qemu-system-x86_64 -m 512 -nodefaults -display none -no-reboot \
        -kernel "$guest/vmlinuz" -initrd "$guest/initrd.gz" \
        -append "console=ttyS0 quiet panic=-1 usbcore.autosuspend=-1 tonvar.scenario=$what" \
        -serial "file:$work/console.log" "${port[@]}" -monitor stdio \
        <"$work/monitor" >"$work/qemu.log" 2>&1 &
    qemu_pid=$!
    pids+=("$qemu_pid")
    exec 4>"$work/monitor"
}

monitor() {
    echo "$*" >&4
}

# The guest's word: the last "@@ KEY value" line's value.
said() {
    tr -d '\r' <"$work/console.log" | sed -n "s/^@@ $1 //p" | tail -1
}
# A file the guest printed, decoded.
file_said() {
    tr -d '\r' <"$work/console.log" | sed -n "/^@@ FILE $1\$/,/^@@ END\$/p" | sed '1d;$d' | base64 -d
}
# Waits for a line of the guest's, or for the guest to be gone.
wait_guest() {
    wait_for "tr -d '\r' 2>/dev/null <'$work/console.log' | grep -qx '@@ $1' || ! kill -0 $qemu_pid 2>/dev/null" "$2"
    tr -d '\r' <"$work/console.log" | grep -qx "@@ $1" || fail "the guest never said '$1'"
}
finish() {
    wait_guest DONE 180
    wait_for "! kill -0 $qemu_pid 2>/dev/null" 30 || fail "the guest did not power off"
    local failed
    failed=$(tr -d '\r' <"$work/console.log" | sed -n 's/^@@ FAIL //p')
    [ -z "$failed" ] || fail "the guest: $failed"
}
expect() { # expect WHAT ACTUAL EXPECTED
    [ "$2" = "$3" ] || fail "$1: got '$2', expected '$3'"
}
# The radio's log as a set of steps: a request the program resent after a
# slow answer is the same step.
steps() {
    grep -v '^tonvar-radio-sim: device ' "$1" | uniq
}

# The same steps as the guest's, on a pseudo-terminal: what the files and
# the radio's log must be.
reference_rw() {
    local ref=$work/ref cli=$build/tonvar-cli
    mkdir -p "$ref"
    local pid=$sim_pid device=$sim_device
    start_sim "$ref/sim.log"
    "$cli" read -q -p "$sim_device" "$ref/first.wh"
    "$cli" write -q -p "$sim_device" "$here/channels.wh"
    "$cli" verify -q -p "$sim_device" "$here/channels.wh"
    "$cli" read -q -p "$sim_device" "$ref/again.wh"
    kill "$sim_pid"
    sim_pid=$pid sim_device=$device
}

case $what in
ftdi-rw | uart-rw)
    start_sim "$work/sim.log"
    boot
    finish
    for step in read write verify again; do expect "$step exit status" "$(said "rc $step")" 0; done
    file_said first >"$work/first.wh"
    file_said again >"$work/again.wh"
    reference_rw
    cmp -s "$work/first.wh" "$work/ref/first.wh" || fail "the first read's file differs from the one over a pseudo-terminal"
    cmp -s "$work/again.wh" "$work/ref/again.wh" || fail "the second read's file differs from the one over a pseudo-terminal"
    diff <(steps "$work/sim.log") <(steps "$work/ref/sim.log") >"$work/steps.diff" ||
        fail "the bytes on the wire differ from those over a pseudo-terminal: $(head -20 "$work/steps.diff")"
    echo "$what: read, write, verify, read: the same $(steps "$work/sim.log" | wc -l) steps and the same files as over a pseudo-terminal"
    ;;
ftdi-ports)
    start_sim "$work/sim.log"
    boot
    wait_guest "WAIT plug" 120
    monitor "device_add usb-serial,chardev=spare,id=usb2"
    wait_guest "WAIT unplug" 60
    monitor "device_del usb2"
    finish
    file_said ports1 >"$work/ports1"
    file_said ports2 >"$work/ports2"
    file_said ports3 >"$work/ports3"
    for n in 1 2 3; do expect "ports exit status" "$(said "rc ports$n")" 0; done
    grep -q '^ttyUSB0[[:space:]].*QEMU USB SERIAL (0403:6001)[[:space:]]serial 1-' "$work/ports1" ||
        fail "the cable is not listed with its description, IDs and serial number: $(cat "$work/ports1")"
    grep -q '^ttyS0' "$work/ports1" || fail "the console UART is not listed: $(cat "$work/ports1")"
    ! grep -q '^ttyS[23]' "$work/ports1" || fail "empty 8250 slots are listed: $(cat "$work/ports1")"
    grep -q '^ttyUSB1' "$work/ports2" || fail "the cable plugged in is not listed: $(cat "$work/ports2")"
    ! grep -q '^ttyUSB1' "$work/ports3" || fail "the cable pulled out is still listed: $(cat "$work/ports3")"
    grep -q '^ttyUSB0' "$work/ports3" || fail "the first cable went missing: $(cat "$work/ports3")"
    echo "$what: listed $(tr '\n' ';' <"$work/ports1"); after plugging: $(tr '\n' ';' <"$work/ports2"); after pulling: $(tr '\n' ';' <"$work/ports3")"
    ;;
ftdi-unplug-read | ftdi-unplug-write)
    step=${what#ftdi-unplug-}
    start_sim "$work/sim.log" --answer-delay 250
    boot
    wait_guest "WAIT unplug" 120
    # Pulled once the radio has answered a few blocks.
    wait_for "[ \$(grep -c . '$work/sim.log') -ge 6 ]" 60 || fail "the transfer never got going"
    monitor "device_del usb1"
    finish
    file_said out >"$work/out"
    expect "exit status after the cable was pulled" "$(said "rc $step")" 1
    if [ "$step" = read ]; then
        grep -q 'The cable was unplugged or the port was closed: the read stopped.' "$work/out" ||
            fail "no hang-up message: $(cat "$work/out")"
        expect "a partial channel file" "$(said partial)" no
    else
        { grep -q 'The cable was unplugged or the port was closed' "$work/out" && grep -q 'write it again' "$work/out"; } ||
            fail "no hang-up message: $(cat "$work/out")"
    fi
    expect "lock files left" "$(said locks)" 0
    ended=$(said ended_ms)
    [ "$ended" -le 1000 ] || fail "the program ended $ended ms after the cable was pulled"
    # busybox time: "user 0m 0.01s" (seconds of processor time). A program
    # that spins uses about as much processor time as time passes; one that
    # waits, a fraction of it. Judged against the time that passed, since an
    # emulated machine on a busy host counts both slowly.
    cpu=$(sed -n 's/^\(user\|sys\)[[:space:]]*[0-9]*m \([0-9.]*\)s$/\2/p' "$work/out" | awk '{t += $1} END {print t + 0}')
    real=$(sed -n 's/^real[[:space:]]*\([0-9]*\)m \([0-9.]*\)s$/\1 \2/p' "$work/out" | awk '{print $1 * 60 + $2}')
    [ -n "$real" ] || fail "no running time in the output: $(cat "$work/out")"
    awk -v t="$cpu" -v r="$real" 'BEGIN {exit !(t < 0.5 || t < r / 2)}' ||
        fail "the program used $cpu s of processor time in $real s: it spins"
    echo "$what: ended $ended ms after the cable was pulled (exit 1, $cpu s of processor time in $real s), no lock file$([ "$step" = write ] || echo ", no partial file")"
    ;;
ftdi-exclusive | uart-exclusive)
    start_sim "$work/sim.log" --answer-delay 150
    boot
    finish
    file_said second >"$work/second"
    expect "the first program's exit status" "$(said "rc first")" 0
    expect "the second program's exit status" "$(said "rc second")" 1
    expect "the second program's file" "$(said second_file)" no
    { grep -q 'Error opening serial port' "$work/second" && grep -q 'is in use by tonvar-cli' "$work/second"; } ||
        fail "the second opener was not refused with the program's message: $(cat "$work/second")"
    echo "$what: $(grep -m1 'in use' "$work/second")"
    ;;
uart-break)
    # A free port for the telnet server.
    for line_port in $(shuf -i 20000-60000 -n 20); do
        (exec 3<>"/dev/tcp/127.0.0.1/$line_port") 2>/dev/null || break
    done
    boot
    wait_guest listening 120
    # QEMU's telnet server takes the connection once it is up.
    wait_for "{ exec 5<>\"/dev/tcp/127.0.0.1/$line_port\"; } 2>/dev/null" 30 ||
        fail "QEMU's telnet server on port $line_port took no connection"
    printf 'AB\xff\xf3' >&5
    wait_guest "line_error 10" 60
    printf 'CD' >&5
    finish
    exec 5>&-
    expect "the probe's exit status" "$(said "rc probe")" 0
    expect "the bytes received around the break" "$(said received)" 41424344
    expect "breaks reported" "$(said breaks)" 1
    echo "$what: a break on the 8250 UART is reported once (mask 10), no byte for it, and the line goes on"
    ;;
ftdi-latency)
    start_sim "$work/sim.log"
    boot
    finish
    # sysfs shows 1 ms while the port has ASYNC_LOW_LATENCY, else the
    # adapter's own timer (QEMU's adapter reports 0, a real FT232 16).
    idle=$(said latency_idle)
    { [ -n "$idle" ] && [ "$idle" != 1 ]; } || fail "the latency timer before the port was opened: '$idle'"
    expect "the latency timer while the port is open" "$(said latency_open)" 1
    expect "the latency timer after the port was closed" "$(said latency_closed)" "$idle"
    expect "the timed read's exit status" "$(said "rc timed")" 0
    # The same read over a pseudo-terminal, beside it.
    start_sim "$work/ref-sim.log"
    start=$(date +%s%N)
    "$build/tonvar-cli" read -q -p "$sim_device" "$work/ref.wh"
    pty_ms=$((($(date +%s%N) - start) / 1000000))
    echo "$what: low latency while open (timer $idle -> 1 -> $idle ms); a read takes $(said read_ms) ms through ftdi_sio in the guest, $pty_ms ms over a pseudo-terminal on the host"
    ;;
*)
    echo "FAIL: unknown scenario $what"
    exit 1
    ;;
esac
