#!/usr/bin/env bash
# Installs everything the build and the tests need on Debian (run as root).
set -euo pipefail
packages=(
    cmake ninja-build g++ pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    # Header-only packages of kestrovane-cli: its command line and its JSON.
    libcli11-dev nlohmann-json3-dev
    g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64
    # `wine` puts wine, wineboot and wineserver on the PATH; `wine64` alone has
    # only the loader under /usr/lib/wine.
    wine wine64 xvfb xauth x11-utils imagemagick fonts-wqy-microhei
    # The fuzz targets: clang with libFuzzer and its sanitizer runtimes. The
    # sanitizer builds of the native suite use g++, whose runtimes (libasan,
    # libubsan, libtsan) come with it.
    clang-14 libclang-rt-14-dev
    # The packages: CPack's Debian Depends (dpkg-shlibdeps, which needs
    # `file`), lintian, and unzip and man for the package tests.
    dpkg-dev file lintian unzip man-db
    # The kernel test: QEMU boots Debian's kernel (fetched by the build with
    # apt-get download) with an initramfs of busybox, the kernel's modules and
    # the usbip tool (also fetched; it loads libudev).
    qemu-system-x86 busybox-static kmod cpio gzip binutils libudev1
)
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        missing+=("$package")
done
if ((${#missing[@]})); then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# The kernel test's build asks apt which kernel package linux-image-amd64
# depends on: apt must know the package lists.
if ! apt-cache show linux-image-amd64 >/dev/null 2>&1; then
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -q
fi
apt-cache show linux-image-amd64 >/dev/null 2>&1 ||
    { echo "install-deps: apt knows no linux-image-amd64 package" >&2; exit 1; }

# The header-only packages must be where the builds copy them from.
for header in /usr/include/CLI/CLI.hpp /usr/include/nlohmann/json.hpp; do
    [ -f "$header" ] || { echo "install-deps: $header is still missing" >&2; exit 1; }
done

# What the build and the tests call must now be on the PATH (depmod and
# modprobe are in /sbin).
export PATH=$PATH:/usr/sbin:/sbin
for tool in cmake ninja x86_64-w64-mingw32-g++-posix i686-w64-mingw32-g++-posix \
            wine wineboot wineserver Xvfb import identify clang++-14 \
            dpkg-shlibdeps file lintian unzip man \
            qemu-system-x86_64 depmod modprobe cpio strip; do
    command -v "$tool" >/dev/null || { echo "install-deps: $tool is still missing" >&2; exit 1; }
done
for runtime in libclang_rt.fuzzer-x86_64.a libclang_rt.asan-x86_64.a; do
    [ -f "$(clang++-14 -print-runtime-dir)/$runtime" ] ||
        { echo "install-deps: clang's $runtime is still missing" >&2; exit 1; }
done
