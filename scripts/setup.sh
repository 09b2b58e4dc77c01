# Shared set-up of run.sh and test.sh: install the Debian packages that are missing,
# then configure and build in the given folder. Sourced, not run.
#   concorda_install_packages
#   concorda_build BUILD_DIR [extra cmake arguments...]

# help2man writes a manual page at build time; the packaging test validates the installed
# tree with groff, desktop-file-validate and appstreamcli.
CONCORDA_PACKAGES=(cmake g++ make qtbase5-dev libqt5webkit5-dev libqt5svg5-dev libqcustomplot-dev
                   libboost-dev libbenchmark-dev xvfb xauth
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
    cmake -S "$CONCORDA_ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null &&
        cmake --build "$dir" -j "$(nproc)"
}
