#!/usr/bin/env bash
# Builds what the kernel test boots: Debian's own kernel (the package that
# linux-image-amd64 depends on today, fetched with apt-get download and
# unpacked, never installed) and an initramfs of busybox, the kernel's
# vhci-hcd, usbip-core and uvcvideo modules with their dependencies, the
# usbip tool, the simulated camera server, kestrovane-cli and a small V4L2
# probe with the libraries they load.
#   make-guest-image.sh OUT_DIR GUEST_INIT SERVER CLI V4L2_PROBE
set -euo pipefail
out=$1 init=$2 server=$3 cli=$4 probe=$5
fail() { echo "make-guest-image: $*" >&2; exit 1; }
# depmod and modprobe live in /sbin, which a user's PATH may lack.
export PATH=$PATH:/usr/sbin:/sbin
for tool in apt-get apt-cache dpkg-deb depmod modprobe cpio gzip ldd strip; do
    command -v "$tool" >/dev/null || fail "$tool is missing (scripts/install-deps.sh installs it)"
done
busybox=/bin/busybox
[ -x "$busybox" ] && "$busybox" --list | grep -x insmod >/dev/null || fail "busybox-static is missing"
ldd "$busybox" >/dev/null 2>&1 && fail "$busybox is not the static busybox (install busybox-static)"

mkdir -p "$out"
# The kernel package linux-image-amd64 depends on now, e.g. linux-image-6.1.0-57-amd64.
package=$(apt-cache depends linux-image-amd64 | sed -n 's/^ *Depends: \(linux-image-[0-9].*\)$/\1/p' | head -n 1)
[ -n "$package" ] || fail "apt-cache knows no dependency of linux-image-amd64 (apt-get update?)"
kernel_dir=$out/$package
if [ ! -f "$kernel_dir/.unpacked" ]; then
    rm -rf "$kernel_dir" "$out/download"
    mkdir -p "$out/download"
    (cd "$out/download" && apt-get download -q "$package" >/dev/null 2>&1) ||
        fail "apt-get download $package failed"
    dpkg-deb -x "$out"/download/"$package"_*.deb "$kernel_dir"
    rm -rf "$out/download"
    touch "$kernel_dir/.unpacked"
fi
# The usbip tool of the same kernel release and the library it needs beyond
# the base system, fetched and unpacked the same way.
tool_dir=$out/usbip-tool
if [ ! -f "$tool_dir/.unpacked" ]; then
    rm -rf "$tool_dir" "$out/download"
    mkdir -p "$out/download"
    (cd "$out/download" && apt-get download -q usbip libwrap0 >/dev/null 2>&1) ||
        fail "apt-get download usbip libwrap0 failed"
    for deb in "$out"/download/*.deb; do dpkg-deb -x "$deb" "$tool_dir"; done
    rm -rf "$out/download"
    touch "$tool_dir/.unpacked"
fi
[ -x "$tool_dir/usr/sbin/usbip" ] || fail "the usbip package holds no usbip tool"
release=$(ls "$kernel_dir/lib/modules" | head -n 1)
[ -n "$release" ] && [ -f "$kernel_dir/boot/vmlinuz-$release" ] || fail "$package holds no kernel"
depmod -b "$kernel_dir" "$release"

root=$(mktemp -d "$out/initramfs.XXXXXX")
trap 'rm -rf "$root"' EXIT
mkdir -p "$root"/{bin,sbin,proc,sys,dev,tmp,run,lib/modules-load}
cp "$busybox" "$root/bin/busybox"
# The modules in load order: each one's dependencies come first.
: >"$root/lib/modules-load/order"
for module in vhci-hcd uvcvideo; do
    modprobe -d "$kernel_dir" -S "$release" --show-depends "$module" | while read -r verb path _; do
        [ "$verb" = insmod ] || continue
        name=$(basename "$path")
        grep -qx "$name" "$root/lib/modules-load/order" && continue
        cp "$path" "$root/lib/modules-load/$name"
        echo "$name" >>"$root/lib/modules-load/order"
    done
done
grep -qx usbip-core.ko "$root/lib/modules-load/order" || fail "usbip-core is not among vhci-hcd's dependencies"

# The programs and every library ldd names, at the same paths.
for program in "$server" "$cli" "$probe"; do
    # Without debug information: the initramfs stays small and boots fast.
    strip --strip-debug -o "$root/bin/$(basename "$program")" "$program"
    ldd "$program" | grep -o '/[^ ]*' | while read -r library; do
        mkdir -p "$root$(dirname "$library")"
        cp -L "$library" "$root$library"
    done
done
cp "$tool_dir/usr/sbin/usbip" "$root/bin/usbip"
LD_LIBRARY_PATH=$tool_dir/usr/lib/x86_64-linux-gnu ldd "$tool_dir/usr/sbin/usbip" |
    grep -o '/[^ ]*' | while read -r library; do
        target=$root/lib/x86_64-linux-gnu/$(basename "$library")
        case $library in /lib64/*) target=$root$library ;; esac
        mkdir -p "$(dirname "$target")"
        [ -e "$target" ] || cp -L "$library" "$target"
    done
if LD_LIBRARY_PATH=$tool_dir/usr/lib/x86_64-linux-gnu ldd "$tool_dir/usr/sbin/usbip" |
    grep "not found"; then
    fail "a library of the usbip tool is missing (scripts/install-deps.sh installs libudev1)"
fi
cp "$init" "$root/init"
chmod +x "$root/init"
(cd "$root" && find . | LC_ALL=C sort | cpio -o -H newc --quiet | gzip -1) >"$out/initramfs.tmp"
mv "$out/initramfs.tmp" "$out/initramfs.cpio.gz"
cp "$kernel_dir/boot/vmlinuz-$release" "$out/vmlinuz"
echo "$package" >"$out/kernel-package"
