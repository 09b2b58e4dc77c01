#!/usr/bin/env bash
# Installs what Concorda needs, builds it and runs every test headless.
# SANITIZE=1 ./test.sh builds in build-sanitize with AddressSanitizer and
# UndefinedBehaviorSanitizer and runs the same tests. WERROR=1 turns compiler warnings
# into errors (CI builds so).
set -euo pipefail
CONCORDA_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$CONCORDA_ROOT/scripts/setup.sh"

concorda_install_packages

werror=-DCONCORDA_WERROR=OFF
[ "${WERROR:-0}" = "1" ] && werror=-DCONCORDA_WERROR=ON

if [ "${SANITIZE:-0}" = "1" ]; then
    build="$CONCORDA_ROOT/build-sanitize"
    concorda_build "$build" "$werror" -DCONCORDA_SANITIZE=ON -DCONCORDA_BENCH=OFF
    # Full malloc stacks: Qt is built without frame pointers, and the leak suppressions
    # name the Qt function that allocated, not just the innermost frame.
    export ASAN_OPTIONS="halt_on_error=1:abort_on_error=1:detect_leaks=1:fast_unwind_on_malloc=0${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
    export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
    export LSAN_OPTIONS="suppressions=$CONCORDA_ROOT/tests/lsan.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
else
    build="$CONCORDA_ROOT/build"
    concorda_build "$build" "$werror"
fi

export QT_QPA_PLATFORM=offscreen
cd "$build"
ctest --output-on-failure -j "$(nproc)"
