#!/bin/busybox sh
# The guest's part of the kernel test, run as its init: loads the USB/IP and
# UVC modules, plugs the simulated camera into vhci_hcd and runs every
# operation of kestrovane-cli through the kernel's uvcvideo driver. Lines that
# begin with "@@" are for the host: each command's exit status, the server's
# EEPROM file in hexadecimal, the end. Every wait is bounded.
/bin/busybox --install -s /bin
export PATH=/bin:/sbin
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
mkdir -p /tmp
cd /tmp
for module in $(cat /lib/modules-load/order); do
    insmod "/lib/modules-load/$module" || echo "@@ insmod $module failed"
done
# The kernel's USB and UVC messages from here on go to the console.
echo 7 >/proc/sys/kernel/printk

eeprom=/tmp/eeprom.bin
image=/host/image.bin
cli=kestrovane-cli
server_pid=
started=$(cut -d' ' -f1 /proc/uptime)

say() { echo "@@ $*"; }
finish() {
    [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null
    say "guest seconds $started $(cut -d' ' -f1 /proc/uptime)"
    say "done"
    sync
    poweroff -f
}

plug() {  # server options...
    kestrovane-simcam-usbip --eeprom "$eeprom" --size 2048 --vhci-attach "$@" &
    server_pid=$!
}
unplug() {
    kill "$server_pid" 2>/dev/null
    wait "$server_pid"
    say "exit server $?"
    server_pid=
}
# wait_node present|absent: the camera's capture node, at most 20 s.
wait_node() {
    tries=0
    while [ $tries -lt 200 ]; do
        if [ "$1" = present ]; then [ -c /dev/video0 ] && return 0; else [ -e /dev/video0 ] || return 0; fi
        sleep 0.1
        tries=$((tries + 1))
    done
    say "timeout waiting for the node to be $1"
    return 1
}
run() {  # step command...
    step=$1
    shift
    "$@"
    say "exit $step $?"
}
dump() {  # name: the server's EEPROM file as hex bytes
    say "eeprom $1"
    od -An -v -tx1 "$eeprom"
    say "end eeprom"
}

# The first camera comes over TCP, attached with the usbip tool as a user
# would attach it.
ip link set lo up
mkdir -p /var/run
kestrovane-simcam-usbip --eeprom "$eeprom" --eeprom /tmp/second.bin --size 2048 &
server_pid=$!
tries=0
until usbip list -r 127.0.0.1 2>/dev/null | grep -q "1-2: .*(3a5e:2b01)"; do
    tries=$((tries + 1))
    [ $tries -lt 50 ] || { say "the server did not come up"; finish; }
    sleep 0.1
done
say "usbip list found 1-1 and 1-2"
run usbip-attach usbip attach -r 127.0.0.1 -b 1-1
wait_node present || finish
run list $cli list
run list-json $cli --json list
run v4l2-probe v4l2-probe /dev/video0
kill -USR1 "$server_pid"  # the counts start with the upload
run upload $cli upload "$image" --block-delay 0
sleep 0.3
kill -USR1 "$server_pid"  # the requests of this one upload, by kind
sleep 0.3
dump upload
run verify $cli verify "$image" --block-delay 0
run version $cli version
run reg-write $cli reg write chip 0x0042 0x5a
run reg-read $cli reg read chip 0x0042
run reg-dump $cli reg dump chip /tmp/registers.txt
say "registers"
grep -i "^0x004[0-3]:" /tmp/registers.txt
say "end registers"
run erase $cli erase --yes
dump erase
run upload-run-new $cli upload "$image" --block-delay 0 --readback --run-new
wait_node present
run list-after-restart $cli list
dump run-new
# The server's second camera beside the first.
run usbip-attach-second usbip attach -r 127.0.0.1 -b 1-2
tries=0
until [ -c /dev/video2 ] || [ $tries -ge 200 ]; do sleep 0.1; tries=$((tries + 1)); done
run list-two $cli list
run usbip-detach usbip detach -p 0
run usbip-detach-second usbip detach -p 1
wait_node absent
unplug

# A request the controller fails: the camera stalls it and answers the
# driver's error code query with "wrong state". Its third transfer is the
# first register request after the link's probe.
plug --fail-transfer 3
wait_node present || finish
run reg-read-failing $cli --verbose reg read chip 0x0042
unplug
wait_node absent

# A camera that leaves in the middle of an upload: unplugged after 300
# extension-unit transfers, well inside the image's blocks.
plug --unplug-after 300
wait_node present || finish
run erase-before-unplug $cli erase --yes
run upload-unplugged $cli upload "$image" --block-delay 0
wait "$server_pid"
say "exit server $?"
server_pid=
wait_node absent
dump unplugged
finish
