#!/bin/busybox sh
# SPDX-License-Identifier: GPL-3.0-or-later
# shellcheck shell=dash
# The guest's /init: loads the USB-serial modules, runs the scenario named on
# the kernel command line (tonvar.scenario=NAME) and powers off. Everything
# the host judges is printed on the console as lines starting with "@@ ":
#   @@ rc STEP N          exit status of a step
#   @@ KEY VALUE          a figure or a fact
#   @@ WAIT WHAT          the guest waits for the host (plug, unplug)
#   @@ FILE NAME ... @@ END   a file, base64
#   @@ DONE               the scenario ran to its end
/bin/busybox --install -s /bin
export PATH=/bin:/usr/bin
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
mkdir -p /tmp /run/lock /var
ln -s /run/lock /var/lock
while read -r m; do insmod /mod/"$m".ko || echo "@@ FAIL insmod $m"; done </mod/order

say() { echo "@@ $*"; }
cli() { /usr/bin/tonvar-cli "$@"; }
# Hundredths of a second since boot.
now_cs() { sed 's/^\([0-9]*\)\.\([0-9]*\) .*/\1\2/' /proc/uptime; }
# Waits up to $2 seconds for a path to exist (wait_path) or to be gone (wait_gone).
wait_path() {
    i=0
    while [ ! -e "$1" ]; do
        i=$((i + 1)); [ $i -gt $(($2 * 20)) ] && return 1; sleep 0.05
    done
}
wait_gone() {
    i=0
    while [ -e "$1" ]; do
        i=$((i + 1)); [ $i -gt $(($2 * 20)) ] && return 1; sleep 0.05
    done
}
send_file() {
    echo "@@ FILE $1"
    if [ -e "$2" ]; then base64 "$2"; fi
    echo "@@ END"
}

scenario=$(sed -n 's/.*tonvar\.scenario=\([^ ]*\).*/\1/p' /proc/cmdline)
case "$scenario" in
ftdi-*) dev=ttyUSB0 ;;
uart-*) dev=ttyS1 ;;
esac
[ -n "$dev" ] && { wait_path "/dev/$dev" 20 || say FAIL no "/dev/$dev"; }

# read, write, verify and read again: the files and the radio's log are
# compared with the same steps over a pseudo-terminal.
run_rw() {
    # The FTDI adapter is the one USB serial port: --all picks it alone.
    if [ "$dev" = ttyUSB0 ]; then
        cli read -q --all /tmp/first.wh; say rc read $?
    else
        cli read -q -p "$dev" /tmp/first.wh; say rc read $?
    fi
    cli write -q -p "$dev" /data/channels.wh; say rc write $?
    cli verify -q -p "$dev" /data/channels.wh; say rc verify $?
    cli read -q -p "$dev" /tmp/again.wh; say rc again $?
    send_file first /tmp/first.wh
    send_file again /tmp/again.wh
}

# The listing, a cable added through the monitor, the same cable removed.
run_ports() {
    cli ports > /tmp/ports1; say rc ports1 $?
    send_file ports1 /tmp/ports1
    say WAIT plug
    wait_path /sys/class/tty/ttyUSB1 30 || say FAIL ttyUSB1 never came
    cli ports > /tmp/ports2; say rc ports2 $?
    send_file ports2 /tmp/ports2
    say WAIT unplug
    wait_gone /sys/class/tty/ttyUSB1 30 || say FAIL ttyUSB1 never left
    cli ports > /tmp/ports3; say rc ports3 $?
    send_file ports3 /tmp/ports3
}

# The cable pulled while a read or a write runs ($1): how soon the program
# ends, what it says, what it leaves behind, the processor time it used.
run_unplug() {
    if [ "$1" = read ]; then
        ( time /usr/bin/tonvar-cli read -p "$dev" /tmp/pulled.wh ) > /tmp/out 2>&1 &
    else
        ( time /usr/bin/tonvar-cli write -p "$dev" /data/channels.wh ) > /tmp/out 2>&1 &
    fi
    pid=$!
    wait_path "/run/lock/LCK..$dev" 20 || say FAIL never locked
    say WAIT unplug
    wait_gone "/sys/class/tty/$dev" 60 || say FAIL never unplugged
    gone=$(now_cs)
    wait "$pid"
    say rc "$1" $?
    ended=$(now_cs)
    say ended_ms "$(((ended - gone) * 10))"
    send_file out /tmp/out
    if [ -e /tmp/pulled.wh ]; then say partial yes; else say partial no; fi
    locks=0
    for f in /run/lock/*LCK*; do
        if [ -e "$f" ] || [ -L "$f" ]; then locks=$((locks + 1)); fi
    done
    say locks "$locks"
}

# A second program opening the port while one holds it.
run_exclusive() {
    cli read -q -p "$dev" /tmp/held.wh > /tmp/out1 2>&1 &
    pid=$!
    wait_path "/run/lock/LCK..$dev" 20 || say FAIL never locked
    cli read -p "/dev/$dev" /tmp/second.wh > /tmp/out2 2>&1; say rc second $?
    if [ -e /tmp/second.wh ]; then say second_file yes; else say second_file no; fi
    send_file second /tmp/out2
    wait "$pid"; say rc first $?
}

# Low latency asked for while the port is open and given back on close, and
# how long a read takes through the driver.
run_latency() {
    timer=/sys/bus/usb-serial/devices/$dev/latency_timer
    say latency_idle "$(cat "$timer")"
    cli read -q -p "$dev" /tmp/timed.wh &
    pid=$!
    wait_path "/run/lock/LCK..$dev" 20 || say FAIL never locked
    open=$(cat "$timer")
    i=0
    while [ "$open" != 1 ] && [ $i -lt 100 ] && kill -0 "$pid" 2>/dev/null; do
        sleep 0.05; i=$((i + 1)); open=$(cat "$timer")
    done
    say latency_open "$open"
    wait "$pid"; say rc held $?
    say latency_closed "$(cat "$timer")"
    start=$(now_cs)
    cli read -q -p "$dev" /tmp/timed.wh; say rc timed $?
    say read_ms "$((($(now_cs) - start) * 10))"
}

# A break from the far end: reported as a line error, not taken as a byte,
# and what follows it still arrives.
run_break() {
    /usr/bin/line-probe "/dev/$dev" 60 4
    say rc probe $?
}

case "$scenario" in
ftdi-rw | uart-rw) run_rw ;;
uart-break) run_break ;;
ftdi-ports) run_ports ;;
ftdi-unplug-read) run_unplug read ;;
ftdi-unplug-write) run_unplug write ;;
ftdi-exclusive | uart-exclusive) run_exclusive ;;
ftdi-latency) run_latency ;;
*) say FAIL unknown scenario "$scenario" ;;
esac
say DONE
poweroff -f
