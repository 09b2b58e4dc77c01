#!/usr/bin/env bash
# Installs what Concorda needs, builds it and starts it.
set -euo pipefail
CONCORDA_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$CONCORDA_ROOT/scripts/setup.sh"

concorda_install_packages
concorda_build "$CONCORDA_ROOT/build"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "Concorda needs a display and found none (DISPLAY is not set); start it under a virtual one with: xvfb-run -a ./run.sh" >&2
    exit 1
fi
exec "$CONCORDA_ROOT/build/app/concorda" "$@"
