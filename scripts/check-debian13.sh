#!/usr/bin/env bash
# Shows that Concorda builds, passes every test and installs on Debian 13 (trixie), which has
# Qt 6 and no QtWebKit: makes a minimal Debian 13 root with debootstrap in a scratch folder,
# copies the sources in, runs ./test.sh there (every suite on Qt 6, offscreen), builds the
# Debian package, removes every package the build brought in, installs the package with apt
# and runs both programs and a Bland–Altman analysis with its plots. Deletes the folder
# afterwards. Exits 0 only if all of that passed; the last line is the tests' summary.
# Needs root and the Debian mirror; about 15 minutes and 400 MB of downloads.
#   scripts/check-debian13.sh [MIRROR]      (default: http://deb.debian.org/debian)
set -euo pipefail
CONCORDA_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$CONCORDA_ROOT/scripts/setup.sh"

if [ "$(id -u)" -ne 0 ]; then
    echo "check-debian13: debootstrap and chroot need root" >&2
    exit 1
fi
mirror=${1:-http://deb.debian.org/debian}

# Only debootstrap is needed here; the build happens inside.
CONCORDA_PACKAGES=(debootstrap)
concorda_install_packages

# apt inside reads the package as its unprivileged user.
root=$(mktemp -d)
chmod 755 "$root"
summary="check-debian13: no test ran"
cleanUp() {
    local status=$?
    umount "$root/dev/pts" "$root/proc" 2>/dev/null || true
    rm -rf --one-file-system "$root"
    echo "$summary"
    exit "$status"
}
trap cleanUp EXIT
trap 'exit 130' INT TERM

step() {
    echo "--- $1 ($SECONDS s)"
}

step "Making a minimal Debian 13 in $root"
debootstrap --variant=minbase trixie "$root" "$mirror" >/dev/null
mount -t proc proc "$root/proc"
mount --bind /dev/pts "$root/dev/pts"
inside() {
    chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"
}
installedPackages() {
    inside dpkg-query -W -f='${db:Status-Abbrev} ${binary:Package}\n' |
        awk '$1 == "ii" { print $2 }' | sort
}
minimal=$(installedPackages)

step "Copying the sources in"
mkdir "$root/concorda"
tar -C "$CONCORDA_ROOT" --exclude='./build*' --exclude=./.git --exclude=./fuzz/out -cf - . |
    tar -C "$root/concorda" -xf -

step "./test.sh inside"
log=$root/test.log
status=0
inside env WERROR=1 /concorda/test.sh >"$log" 2>&1 || status=$?
summary=$(grep -E '^[0-9]+% tests passed' "$log" | tail -n 1 || true)
summary=${summary:-"check-debian13: ./test.sh stopped before its tests ran"}
if [ "$status" -ne 0 ]; then
    tail -n 60 "$log"
    exit "$status"
fi
if ! grep -q '^CONCORDA_QT:STRING=6$' "$root/concorda/build/CMakeCache.txt"; then
    echo "check-debian13: the tests did not run on Qt 6" >&2
    exit 1
fi

step "Building the package"
inside bash -c 'source /concorda/scripts/setup.sh && CONCORDA_ROOT=/concorda &&
    CONCORDA_PACKAGES+=(dpkg-dev file) && concorda_install_packages &&
    concorda_build /concorda/build -DCMAKE_INSTALL_PREFIX=/usr -DCONCORDA_PACKAGING=ON >/dev/null &&
    cd /concorda/build && cpack -G DEB -B /package >/dev/null'
deb=$(cd "$root/package" && ls concorda_*.deb)
echo "Built $deb, Depends: $(dpkg-deb -f "$root/package/$deb" Depends)"

# What the build brought in goes again, so that apt must find what the package needs from
# its declared dependencies alone.
step "Removing what the build installed, installing the package"
# shellcheck disable=SC2046
inside env DEBIAN_FRONTEND=noninteractive apt-get purge -y -q \
    $(installedPackages | comm -13 <(echo "$minimal") -) >/dev/null
inside env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
    "/package/$deb" | grep -E 'newly installed'

step "Running the installed programs"
version=$(dpkg-deb -f "$root/package/$deb" Version)
[ "$(inside concorda --version)" = "concorda $version" ]
[ "$(inside concorda-report --version)" = "concorda-report $version" ]
inside concorda-report --analysis bland-altman --gold LabGlucose --other MeterA,MeterB \
    --plot-dir /plots /usr/share/doc/concorda/examples/glucose_meters.csv >"$root/bland-altman.html"
grep -q '<img src="data:image/png;base64,' "$root/bland-altman.html"
grep -q '>Mean of LabGlucose and MeterB<\|>LabGlucose<' "$root/plots/MeterB.svg"
echo "Bland–Altman report: $(wc -c <"$root/bland-altman.html") bytes, plots: $(ls "$root/plots" | tr '\n' ' ')"
# The desktop program starts and keeps running: timeout ends it after five seconds.
started=0
inside timeout 5 env QT_QPA_PLATFORM=offscreen concorda || started=$?
[ "$started" -eq 124 ]
echo "check-debian13: Concorda builds, passes its tests, installs and runs on Debian 13 ($SECONDS s)"
