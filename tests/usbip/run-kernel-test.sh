#!/usr/bin/env bash
# The kernel test's host side: boots Debian's kernel with the initramfs that
# make-guest-image.sh built (QEMU, software emulation), hands the guest an
# image to upload, and checks the guest's console: the exit status of every
# command, what the UVC driver and kestrovane-cli said, and the server's
# EEPROM file, byte for byte against the image, after each step.
#   run-kernel-test.sh GUEST_DIR IMAGE
set -euo pipefail
guest=$1 source_image=$2
fail() { echo "kernel-test: FAILED: $*" >&2; exit 1; }
for tool in qemu-system-x86_64 cpio gzip od timeout; do
    command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps.sh installs it)"
done
for file in vmlinuz initramfs.cpio.gz; do
    [ -f "$guest/$file" ] || fail "$guest/$file is missing (build the kestrovane-guest-image target)"
done

work=$(mktemp -d "$guest/run.XXXXXX")
trap 'rm -rf "$work"' EXIT
# The image the guest uploads: the sample's first KiB, so that the guest's
# part stays short. It reaches the guest in a second archive after the first.
mkdir -p "$work/archive/host"
head -c 1024 "$source_image" >"$work/archive/host/image.bin"
(cd "$work/archive" && printf '%s\n' . host host/image.bin | cpio -o -H newc --quiet | gzip -1) \
    >"$work/host.cpio.gz"
cat "$guest/initramfs.cpio.gz" "$work/host.cpio.gz" >"$work/guest.cpio.gz"

console=$guest/console.log
started=$SECONDS
# KVM hangs on these machines after the firmware: software emulation only.
# On a busy host the emulated timer can miss the kernel's IO-APIC timer check
# ("IO-APIC + timer doesn't work!", a panic): no_timer_check skips it.
status=0
timeout 300 qemu-system-x86_64 -accel tcg -m 512 -smp 1 -nographic -no-reboot -nic none \
    -kernel "$guest/vmlinuz" -initrd "$work/guest.cpio.gz" \
    -append "console=ttyS0 quiet panic=-1 no_timer_check" </dev/null >"$console" 2>&1 ||
    status=$?
tr -d '\r' <"$console" >"$work/console"
echo "kernel-test: the guest ran $((SECONDS - started)) s (console in $console)" >&2
[ "$status" -eq 0 ] || fail "qemu ended with status $status (124: it ran out of time)"
grep -qx "@@ done" "$work/console" || fail "the guest did not finish"

# Every command's exit status.
expect_exit() {  # step status
    local got
    got=$(sed -n "s/^@@ exit $1 \([0-9]*\)\$/\1/p" "$work/console" | head -n 1)
    [ "$got" = "$2" ] || fail "$1 ended with status '${got:-none}', expected $2"
}
grep -qx "@@ usbip list found 1-1 and 1-2" "$work/console" || fail "usbip list did not show the cameras"
for step in v4l2-probe usbip-attach usbip-attach-second list-two usbip-detach usbip-detach-second list list-json upload verify version reg-write reg-read reg-dump erase \
            upload-run-new list-after-restart erase-before-unplug; do
    expect_exit "$step" 0
done
expect_exit upload-unplugged 3
expect_exit reg-read-failing 1
grep -q "^@@ insmod" "$work/console" && fail "a module did not load"

expect_line() {  # pattern what
    grep -Eq "$1" "$work/console" || fail "the console lacks $2"
}
expect_line 'usb 1-1: Found UVC 1\.10 device Tovrine Simulated Camera \(3a5e:2b01\)' \
    "the UVC driver's binding"
expect_line '/dev/video0, "Tovrine Simulated Camera", free, protocol level 2' "the camera in list"
expect_line '"extensionUnit": true' "the extension unit in list --json"
expect_line '^format YUYV$' "the capture format, to a V4L2 program"
expect_line '^size 160x120$' "the frame size, to a V4L2 program"
expect_line '^brightness -64\.\.64 step 1 default 0$' "the brightness control's range"
expect_line 'Verify finished, All match' "verify's match"
expect_line '^Device Bin Version:.+' "version's texts"
expect_line '^0x0042:0x005A' "the register written, in the dump"
expect_line 'Read back: all 1024 bytes match the image' "the read-back's match"
expect_line 'The camera was restarted' "the restart"
expect_line '^restart 1$' "the camera running the new image after its restart"
expect_line 'The camera is gone' "the unplugged camera's message"
expect_line '^2: usb#vid_3a5e&pid_2b01&mi_00#1-2$' "the second camera in list"
expect_line 'selector 2 size 3 on /dev/video0: .*\(errno 84\): the camera was in the wrong state' \
    "the failed request's errno as the kernel gives it"

# The EEPROM file after each step, against the image: byte 0 is the marker.
od -An -v -tx1 "$work/archive/host/image.bin" | tr -s ' ' '\n' | sed '/^$/d' >"$work/image.hex"
image_bytes=$(wc -l <"$work/image.hex")
eeprom() {  # name: the dump as one hex byte per line
    sed -n "/^@@ eeprom $1\$/,/^@@ end eeprom\$/p" "$work/console" | sed '1d;$d' |
        tr -s ' ' '\n' | sed '/^$/d'
}
check_eeprom() {  # name marker second-byte
    local dump=$work/eeprom-$1.hex
    eeprom "$1" >"$dump"
    [ "$(wc -l <"$dump")" -eq 2048 ] || fail "the EEPROM dump after $1 has $(wc -l <"$dump") bytes"
    [ "$(sed -n 1p "$dump")" = "$2" ] || fail "after $1 EEPROM byte 0 is $(sed -n 1p "$dump"), expected $2"
    local expected_second=${3:-$(sed -n 2p "$work/image.hex")}
    [ "$(sed -n 2p "$dump")" = "$expected_second" ] || fail "after $1 EEPROM byte 1 differs"
    sed -n "3,${image_bytes}p" "$dump" | cmp -s - <(sed -n "3,${image_bytes}p" "$work/image.hex") ||
        fail "after $1 the EEPROM differs from the image"
    sed -n "$((image_bytes + 1)),\$p" "$dump" | grep -qv '^ff$' &&
        fail "after $1 the EEPROM changed beyond the image"
    return 0
}
check_eeprom upload 41
check_eeprom erase ff ff
check_eeprom run-new 41
check_eeprom unplugged 42
echo "kernel-test: passed in $((SECONDS - started)) s"
