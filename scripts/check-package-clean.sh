#!/usr/bin/env bash
# Shows that the Debian package installs and runs on a Debian 12 system that has nothing
# else: builds the package, makes a minimal Debian 12 (bookworm) root with debootstrap in a
# scratch folder, installs the package there with apt and runs both programs, then deletes
# the folder. Needs root and the Debian mirror; about a minute and 140 MB of downloads.
#   scripts/check-package-clean.sh [MIRROR]      (default: http://deb.debian.org/debian)
set -euo pipefail
CONCORDA_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$CONCORDA_ROOT/scripts/setup.sh"

if [ "$(id -u)" -ne 0 ]; then
    echo "check-package-clean: debootstrap and chroot need root" >&2
    exit 1
fi
mirror=${1:-http://deb.debian.org/debian}

CONCORDA_PACKAGES+=(dpkg-dev file debootstrap)
concorda_install_packages
build=${BUILD_DIR:-$CONCORDA_ROOT/build}
concorda_build "$build" -DCMAKE_INSTALL_PREFIX=/usr -DCONCORDA_PACKAGING=ON

# apt inside reads the package and its lists as its unprivileged user.
root=$(mktemp -d)
chmod 755 "$root"
cleanUp() {
    local status=$?
    umount "$root/dev/pts" "$root/proc" 2>/dev/null || true
    rm -rf --one-file-system "$root"
    exit "$status"
}
trap cleanUp EXIT
trap 'exit 130' INT TERM

(cd "$build" && cpack -G DEB -B "$root/package" >/dev/null)
deb=$(find "$root/package" -maxdepth 1 -name 'concorda_*.deb')

echo "Making a minimal Debian 12 in $root"
debootstrap --variant=minbase bookworm "$root" "$mirror" >/dev/null
mount -t proc proc "$root/proc"
mount --bind /dev/pts "$root/dev/pts"
inside() {
    chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"
}
before=$(inside dpkg-query -W -f='${Package}\n' | wc -l)

inside apt-get update -qq
inside env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
    "/package/$(basename "$deb")" | grep -E 'newly installed|^Need to get|^After this'
after=$(inside dpkg-query -W -f='${Package}\n' | wc -l)
echo "Packages: $before in the minimal system, $after with Concorda"

version=$(dpkg-deb -f "$deb" Version)
[ "$(inside concorda-report --version)" = "concorda-report $version" ]
inside concorda-report --gold LabGlucose --other MeterA,MeterB --format csv \
    /usr/share/doc/concorda/examples/glucose_meters.csv
# The desktop program starts and keeps running: every library and Qt plugin it needs is
# there. timeout ends it after five seconds (exit code 124).
status=0
inside timeout 5 env QT_QPA_PLATFORM=offscreen concorda || status=$?
[ "$status" -eq 124 ]
[ "$(inside concorda --version)" = "concorda $version" ]
echo "check-package-clean: the package installs and runs on a minimal Debian 12"
