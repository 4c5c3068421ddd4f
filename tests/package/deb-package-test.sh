#!/usr/bin/env bash
# The Debian package as a user installs it: its control fields (version,
# architecture, computed Depends), its files, lintian's verdict (no error;
# the whole output is kept in LINTIAN-LOG), then an install with dpkg -i, the
# programs run from /usr/bin (--version, list without cameras, a simulated
# upload of the packaged sample image), and a purge after which nothing of the
# package is left: the files under /usr, /etc, /opt and dpkg's own records
# are the same before the install and after the purge.
# Installs into the running system: run as root, one at a time per machine.
#
# Usage: deb-package-test.sh VERSION DEB PROGRAMS-FILE LINTIAN-LOG
#   PROGRAMS-FILE lists the programs the package must put in /usr/bin.
set -uo pipefail

version=$1
deb=$2
programs_file=$3
lintian_log=$4
failures=0

fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
finish() {
    if [ "$failures" -ne 0 ]; then
        echo "$failures failure(s)" >&2
        exit 1
    fi
    echo "debian package: all checks passed"
    exit 0
}

[ "$(id -u)" -eq 0 ] || { echo "FAIL: the package test installs a package: run it as root" >&2; exit 1; }
for tool in dpkg dpkg-deb lintian; do
    command -v "$tool" >/dev/null || { echo "FAIL: $tool is missing (scripts/install-deps.sh installs it)" >&2; exit 1; }
done
[ -f "$deb" ] || { echo "FAIL: no package $deb" >&2; exit 1; }

arch=$(dpkg --print-architecture)
[ "$(basename "$deb")" = "kestrovane_${version}_${arch}.deb" ] ||
    fail "the package is named $(basename "$deb"), expected kestrovane_${version}_${arch}.deb"

# Only one run at a time installs the package on this machine.
mkdir -p /run/lock
exec 9>/run/lock/kestrovane-deb-package-test.lock
flock -w 300 9 || { echo "FAIL: another package test holds the machine for 300 s" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/kestrovane-deb.XXXXXX") || exit 1
trap 'rm -rf "$work"' EXIT

# dpkg refuses to work while another dpkg or apt holds its lock: try again for
# up to two minutes.
dpkg_locked() {  # dpkg arguments...
    local tries=0
    while :; do
        if dpkg "$@" >"$work/dpkg.log" 2>&1; then
            cat "$work/dpkg.log"
            return 0
        fi
        if grep -q "lock" "$work/dpkg.log" && [ "$tries" -lt 60 ]; then
            tries=$((tries + 1))
            sleep 2
            continue
        fi
        cat "$work/dpkg.log" >&2
        return 1
    done
}

installed() { dpkg-query -W -f='${Status}' kestrovane 2>/dev/null | grep -q "install ok installed"; }

# --- The package file. ---
[ "$(dpkg-deb -f "$deb" Package)" = kestrovane ] || fail "Package is not kestrovane"
[ "$(dpkg-deb -f "$deb" Version)" = "$version" ] || fail "Version is $(dpkg-deb -f "$deb" Version), expected $version"
[ "$(dpkg-deb -f "$deb" Architecture)" = "$arch" ] || fail "Architecture is not $arch"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for library in libc6 libstdc++6 libgcc-s1; do
    case ", $depends" in *", $library "* | *", $library," | *", $library") ;;
        *) fail "Depends lacks $library: $depends" ;; esac
done

dpkg-deb -c "$deb" | awk '{ print $6 }' | sed 's|^\./|/|; s|/$||' | grep -v '^/\?$' | LC_ALL=C sort >"$work/files"
for file in /usr/bin/kestrovane-cli /usr/lib/udev/rules.d/70-kestrovane.rules \
            /usr/share/man/man1/kestrovane-cli.1.gz \
            /usr/share/bash-completion/completions/kestrovane-cli \
            /usr/share/doc/kestrovane/copyright /usr/share/doc/kestrovane/changelog.gz \
            /usr/share/doc/kestrovane/CLI.md \
            /usr/share/doc/kestrovane/examples/kestrovane-sample-24C64.bin; do
    grep -qx "$file" "$work/files" || fail "the package lacks $file"
done
expected_programs=$(sed 's|^|/usr/bin/|' "$programs_file" | LC_ALL=C sort)
packaged_programs=$(grep '^/usr/bin/.' "$work/files")
[ "$packaged_programs" = "$expected_programs" ] ||
    fail "/usr/bin holds: $(echo $packaged_programs), expected: $(echo $expected_programs)"
dpkg-deb -c "$deb" | grep -q ' \./usr/local' && fail "the package puts files under /usr/local"

# --- lintian: no error. ---
lintian --fail-on error --display-info "$deb" >"$lintian_log" 2>&1
lintian_status=$?
echo "lintian ($lintian_log):"
sed 's/^/  /' "$lintian_log"
[ "$lintian_status" -eq 0 ] || fail "lintian reports errors (exit status $lintian_status)"

# --- Install. ---
if installed; then
    echo "removing the kestrovane package an earlier run left installed"
    dpkg_locked --purge kestrovane >/dev/null || { echo "FAIL: could not purge the earlier kestrovane" >&2; exit 1; }
fi
snapshot() {  # file
    { find /usr /etc /opt -xdev 2>/dev/null; find /var/lib/dpkg/info /var/lib/dpkg/alternatives 2>/dev/null; } |
        LC_ALL=C sort >"$1"
}
snapshot "$work/before"
dpkg_locked -i "$deb" || { fail "dpkg -i failed"; finish; }
installed || fail "dpkg does not list kestrovane as installed"

while read -r file; do
    [ -e "$file" ] || fail "$file is not on the system after the install"
done <"$work/files"
[ "$(stat -c %a /usr/lib/udev/rules.d/70-kestrovane.rules)" = 644 ] || fail "the udev rule's mode is not 644"
[ "$(command -v kestrovane-cli)" = /usr/bin/kestrovane-cli ] || fail "kestrovane-cli is not found on the PATH in /usr/bin"
gzip -t /usr/share/man/man1/kestrovane-cli.1.gz || fail "the man page is not a whole gzip file"
man_errors=$(man --warnings -l /usr/share/man/man1/kestrovane-cli.1.gz 2>&1 >/dev/null)
[ -z "$man_errors" ] || fail "man reports: $man_errors"
bash -n /usr/share/bash-completion/completions/kestrovane-cli || fail "the bash completion does not parse"

# The programs from /usr/bin, with a private runtime folder for the claims.
export XDG_RUNTIME_DIR="$work/runtime"
mkdir -m 700 "$XDG_RUNTIME_DIR"
run() {
    (cd "$work" && /usr/bin/kestrovane-cli "$@") >"$work/out" 2>"$work/err"
    rc=$?
    out=$(cat "$work/out")
    err=$(cat "$work/err")
    printf '$ /usr/bin/kestrovane-cli %s  -> %s\n' "$*" "$rc"
}
expect() {  # exit-code text where what
    [ "$rc" = "$1" ] || fail "$4: exit code $rc, expected $1 (stderr: $err)"
    case "$3" in *"$2"*) ;; *) fail "$4: \"$2\" not in: $3" ;; esac
}
run --version
expect 0 "kestrovane-cli $version" "$out" "--version"
[ "$out" = "kestrovane-cli $version" ] || fail "--version prints \"$out\""
run list
expect 3 "No camera" "$err" "list without cameras"
sample=/usr/share/doc/kestrovane/examples/kestrovane-sample-24C64.bin
run "--simulate=$work/camera.eeprom" upload "$sample" --block-delay 0
expect 0 "Upload finish" "$err" "a simulated upload"
run "--simulate=$work/camera.eeprom" version
expect 0 "Device Bin Version:KV-SAMPLE-1.0" "$out" "the simulated camera's version"
cmp -s -n 8192 "$work/camera.eeprom" "$sample" || fail "the simulated EEPROM does not hold the sample image"
while read -r program; do
    [ "$program" = kestrovane-cli ] && continue
    [ -x "/usr/bin/$program" ] || fail "/usr/bin/$program is not executable"
    ldd "/usr/bin/$program" | grep -q "not found" && fail "/usr/bin/$program lacks a library: $(ldd "/usr/bin/$program")"
done <"$programs_file"

# --- Purge: nothing of the package is left. ---
dpkg_locked --purge kestrovane >/dev/null || fail "dpkg --purge failed"
installed && fail "dpkg still lists kestrovane as installed"
dpkg-query -W kestrovane >/dev/null 2>&1 && fail "dpkg still knows kestrovane: $(dpkg-query -W -f='${Status}' kestrovane)"
snapshot "$work/after"
if ! diff -u "$work/before" "$work/after" >"$work/left"; then
    fail "the files before the install and after the purge differ:
$(grep '^[-+]/' "$work/left")"
fi
finish
