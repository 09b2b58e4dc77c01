# Shared set-up of run.sh and test.sh: install the packages that are missing, then configure
# and build in the given folder. Sourced, not run.
#   concorda_install_packages
#   concorda_build BUILD_DIR [extra cmake arguments...]

# The system, from /etc/os-release, decides the Qt: Qt 5 with QtWebKit where the archive
# still has QtWebKit (Debian 12, Ubuntu 22.04), Qt 6 where it has not (Debian 13, Ubuntu
# 24.04; Ubuntu 22.04's Qt 6.2 is older than the 6.4 Concorda needs). Another Debian-like
# system gets Qt 5 if its archive offers QtWebKit, else Qt 6.
concorda_qt_for_system() {
    local id= version=
    if [ -r /etc/os-release ]; then
        id=$(. /etc/os-release && echo "${ID:-}")
        version=$(. /etc/os-release && echo "${VERSION_ID:-}")
    fi
    case "$id $version" in
        "debian 12" | "ubuntu 22.04") echo 5 ;;
        "debian 13" | "ubuntu 24.04") echo 6 ;;
        *)
            echo "Concorda's set-up knows Debian 12 and 13 and Ubuntu 22.04 and 24.04, not" \
                 "'${id:-unknown} ${version}'; choosing Qt by what the archive offers" >&2
            if apt-cache show libqt5webkit5-dev >/dev/null 2>&1; then echo 5; else echo 6; fi
            ;;
    esac
}
CONCORDA_QT=${CONCORDA_QT:-$(concorda_qt_for_system)}

# help2man writes a manual page at build time; the packaging test validates the installed
# tree with groff, desktop-file-validate and appstreamcli. Debian's libqcustomplot-dev holds
# QCustomPlot for Qt 5 and, from Debian 12 on, for Qt 6 too.
if [ "$CONCORDA_QT" = 5 ]; then
    CONCORDA_PACKAGES=(qtbase5-dev libqt5webkit5-dev libqt5svg5-dev)
else
    CONCORDA_PACKAGES=(qt6-base-dev qt6-svg-dev)
fi
CONCORDA_PACKAGES+=(cmake g++ make libqcustomplot-dev libboost-dev libbenchmark-dev xvfb xauth
                    help2man groff-base desktop-file-utils appstream)

concorda_install_packages() {
    local missing=()
    local package
    for package in "${CONCORDA_PACKAGES[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$package")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0

    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if command -v sudo >/dev/null 2>&1; then
            sudo=(sudo)
        else
            echo "Concorda needs these packages and cannot install them without root or sudo: ${missing[*]}" >&2
            return 1
        fi
    fi
    echo "Installing: ${missing[*]}"
    "${sudo[@]}" apt-get update -qq &&
        DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

concorda_build() {
    local dir=$1
    shift
    cmake -S "$CONCORDA_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCONCORDA_QT="$CONCORDA_QT" "$@" >/dev/null &&
        cmake --build "$dir" -j "$(nproc)"
}
