#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz and runs each for SECONDS.
#   fuzz/run.sh SECONDS [TARGET...]      (targets: fuzz_agreementreport fuzz_analyses
#                                         fuzz_import fuzz_numberreader fuzz_passingbablok)
# Each target starts from its seeds in fuzz/corpus/<target>/ and keeps what it grows in
# fuzz/out/<target>/corpus/; an input that fails is written to fuzz/out/<target>/ and the
# script exits non-zero. The run's log is fuzz/out/<target>/log.
set -euo pipefail
CONCORDA_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$CONCORDA_ROOT/scripts/setup.sh"

if [ $# -lt 1 ] || ! [[ $1 =~ ^[0-9]+$ ]]; then
    echo "usage: fuzz/run.sh SECONDS [TARGET...]" >&2
    exit 2
fi
seconds=$1
shift
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_agreementreport fuzz_analyses fuzz_import fuzz_numberreader
                                     fuzz_passingbablok)

# The fuzzer and sanitizer runtimes come with the compiler-rt of the installed clang, whose
# package carries clang's major version (libclang-rt-14-dev beside clang 14).
CONCORDA_PACKAGES+=(clang)
concorda_install_packages
clangMajor=$(clang -dumpversion | cut -d. -f1)
CONCORDA_PACKAGES+=("libclang-rt-$clangMajor-dev")
concorda_install_packages

build="$CONCORDA_ROOT/build-fuzz"
cmake -S "$CONCORDA_ROOT" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DCONCORDA_FUZZ=ON -DCONCORDA_BENCH=OFF -DCONCORDA_DESKTOP=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}"

# Limits per target: the largest input worth trying and the time after which one input
# counts as a hang. A usual input takes well under a millisecond.
# Passing-Bablok's take longer (its direct computation sorts n(n - 1)/2 slopes); 400 pairs
# of raw doubles fit in 6,401 bytes.
declare -A maxLength=([fuzz_agreementreport]=4096 [fuzz_analyses]=4096 [fuzz_import]=4096
                      [fuzz_numberreader]=4096 [fuzz_passingbablok]=6401)

export ASAN_OPTIONS="halt_on_error=1:abort_on_error=1:detect_leaks=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"
export LSAN_OPTIONS="suppressions=$CONCORDA_ROOT/tests/lsan.supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

status=0
for target in "${targets[@]}"; do
    out="$CONCORDA_ROOT/fuzz/out/$target"
    mkdir -p "$out/corpus"
    echo "Fuzzing $target for $seconds s"
    if "$build/fuzz/$target" -max_total_time="$seconds" -max_len="${maxLength[$target]:-4096}" \
        -timeout=10 -rss_limit_mb=4096 -print_final_stats=1 -artifact_prefix="$out/" \
        "$out/corpus" "$CONCORDA_ROOT/fuzz/corpus/$target" >"$out/log" 2>&1; then
        result="no failure"
    else
        result="FAILED, see $out/log"
        status=1
        tail -n 60 "$out/log" >&2
    fi
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$out/log" | tail -n 1)
    echo "$target: ${executions:-0} executions in $seconds s, $result"
done
exit $status
