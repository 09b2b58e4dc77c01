#!/usr/bin/env bash
# Builds the Debian package, installs it into this machine with apt (which brings in its
# dependencies), checks the installed programs and files, and removes the package again
# together with every package its installation brought in, so the machine is left as it
# was. Run as root or as a user with sudo; CI runs it.
#   scripts/check-package.sh            builds in build/ (as test.sh does)
#   BUILD_DIR=DIR scripts/check-package.sh
set -euo pipefail
CONCORDA_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$CONCORDA_ROOT/scripts/setup.sh"

# dpkg-shlibdeps (dpkg-dev) computes the package's dependencies; the validators check the
# desktop entry and the AppStream metainfo.
CONCORDA_PACKAGES+=(dpkg-dev file desktop-file-utils appstream)
concorda_install_packages

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
apt_get() {
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get -y -q "$@"
}

if dpkg-query -W -f='${Status}' concorda 2>/dev/null | grep -q 'install ok installed'; then
    echo "check-package: the package concorda is installed already; remove it first" >&2
    exit 1
fi

build=${BUILD_DIR:-$CONCORDA_ROOT/build}
concorda_build "$build" -DCMAKE_INSTALL_PREFIX=/usr -DCONCORDA_PACKAGING=ON

# apt reads a local package as its unprivileged user, so the folder must be readable.
out=$(mktemp -d)
chmod 755 "$out"
(cd "$build" && cpack -G DEB -B "$out" >/dev/null)
deb=$(find "$out" -maxdepth 1 -name 'concorda_*.deb')
version=$(dpkg-deb -f "$deb" Version)
echo "Built $(basename "$deb"): $(du -k "$deb" | cut -f1) KiB"
echo "Depends: $(dpkg-deb -f "$deb" Depends)"

installedPackages() {
    dpkg-query -W -f='${db:Status-Abbrev} ${binary:Package}\n' |
        awk '$1 == "ii" { print $2 }' | sort
}
before=$(mktemp)
installedPackages >"$before"

# Whatever happens below, the package and every package its installation brought in go
# again.
cleanUp() {
    local status=$?
    local added
    added=$(installedPackages | comm -13 "$before" - | tr '\n' ' ')
    if [ -n "$added" ]; then
        echo "Removing: $added"
        # shellcheck disable=SC2086
        apt_get purge $added >/dev/null || status=1
    fi
    if installedPackages | cmp -s "$before" -; then
        echo "The machine's packages are as they were before"
    else
        echo "FAILED: the machine's packages differ from before:" >&2
        installedPackages | diff "$before" - >&2 || true
        status=1
    fi
    rm -rf "$out" "$before"
    exit "$status"
}
trap cleanUp EXIT
trap 'exit 130' INT TERM

apt_get update -qq
apt_get install --no-install-recommends "$deb" >/dev/null
echo "Installed with: $(installedPackages | comm -13 "$before" - | tr '\n' ' ')"

appId=org.concorda.Concorda
desktopEntry=/usr/share/applications/$appId.desktop
metainfo=/usr/share/metainfo/$appId.metainfo.xml
passed=0
failed=0
check() {
    local description=$1
    shift
    if "$@"; then
        echo "ok: $description"
        passed=$((passed + 1))
    else
        echo "FAILED: $description" >&2
        failed=$((failed + 1))
    fi
}

withoutDisplay() {
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@"
}

answers() {
    local expected=$1
    shift
    local answer=
    if answer=$(withoutDisplay timeout 60 "$@") && [ "$answer" = "$expected" ]; then
        return 0
    fi
    echo "  $* answered: ${answer:-nothing}" >&2
    return 1
}

noPathOutsideUsr() {
    local outside
    outside=$(dpkg -L concorda |
        awk '$0 != "/." && $0 != "/usr" && ($0 !~ "^/usr/" || $0 ~ "^/usr/local")')
    [ -z "$outside" ] || { echo "  outside /usr: $outside" >&2; return 1; }
}

installedFiles() {
    local file
    local icons=/usr/share/icons/hicolor
    for file in /usr/bin/concorda /usr/bin/concorda-report "$desktopEntry" "$metainfo" \
        $icons/scalable/apps/$appId.svg \
        $icons/{16x16,22x22,24x24,32x32,48x48,64x64,128x128,256x256}/apps/$appId.png \
        /usr/share/man/man1/concorda.1.gz /usr/share/man/man1/concorda-report.1.gz \
        /usr/share/doc/concorda/{user-guide.md,copyright,changelog.gz} \
        /usr/share/doc/concorda/examples/glucose_meters.csv; do
        [ -f "$file" ] || { echo "  missing: $file" >&2; return 1; }
    done
}

librariesFound() {
    ! ldd /usr/bin/concorda /usr/bin/concorda-report | grep 'not found' >&2
}

# The installed tool's report of an installed example is the one the build folder's tool
# writes for the same file: the same bytes, in two formats.
sameReport() {
    local format=$1
    local example=/usr/share/doc/concorda/examples/glucose_meters.csv
    local arguments=(--gold LabGlucose --other "MeterA,MeterB" --format "$format")
    local installed built
    installed=$(withoutDisplay /usr/bin/concorda-report "${arguments[@]}" "$example") &&
        built=$("$build/cli/concorda-report" "${arguments[@]}" "$example") &&
        [ -n "$installed" ] && [ "$installed" = "$built" ]
}

# The analyses with plots need the plotting and SVG libraries the package depends on: the
# installed tool writes the build's figures and a plot file per compared column.
samePlottedAnalysis() {
    local analysis=$1
    local example=/usr/share/doc/concorda/examples/glucose_meters.csv
    local plots=$out/plots-$analysis
    local arguments=(--analysis "$analysis" --gold LabGlucose --other "MeterA,MeterB" --format json)
    local installed built
    installed=$(withoutDisplay /usr/bin/concorda-report "${arguments[@]}" --plot-dir "$plots" "$example") &&
        built=$("$build/cli/concorda-report" "${arguments[@]}" "$example") &&
        [ -n "$installed" ] && [ "$installed" = "$built" ] &&
        grep -q '>Mean of LabGlucose and MeterB<\|>LabGlucose<' "$plots/MeterB.svg"
}

check "only files under /usr" noPathOutsideUsr
check "programs, desktop entry, metainfo, icons, manual pages and guide installed" installedFiles
check "every library of the programs found" librariesFound
check "concorda-report --version says $version" \
    answers "concorda-report $version" concorda-report --version
check "concorda --version says $version without a display" \
    answers "concorda $version" concorda --version
check "HTML report of the installed example as the build writes it" sameReport html
check "CSV report of the installed example as the build writes it" sameReport csv
check "Bland–Altman figures and plots from the installed tool" samePlottedAnalysis bland-altman
check "regression figures and plots from the installed tool" samePlottedAnalysis regression
check "desktop entry valid" desktop-file-validate "$desktopEntry"
check "AppStream metainfo valid" appstreamcli validate --no-net "$metainfo"

echo "check-package: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
