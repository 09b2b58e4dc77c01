#!/usr/bin/env bash
# Runs every test executable under valgrind memcheck and counts the definitely lost
# blocks, split into those whose allocation stack passes through the program's own
# sources and those that Qt, WebKit or other system libraries allocated for themselves.
#   tests/leakcheck.sh [TEST_NAME_PATTERN]
# Logs go to build/leakcheck/<test>.log. Exits non-zero when the program's own code
# lost a block or a test failed under valgrind. Slow (minutes): not part of CI.
set -euo pipefail
CONCORDA_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
source "$CONCORDA_ROOT/scripts/setup.sh"

CONCORDA_PACKAGES+=(valgrind)
concorda_install_packages
build="$CONCORDA_ROOT/build"
concorda_build "$build"

pattern=${1:-tst_}
logs="$build/leakcheck"
mkdir -p "$logs"
export QT_QPA_PLATFORM=offscreen

# The program's own sources: a stack frame printed with one of these paths.
ownCode="$CONCORDA_ROOT/(app|agreement|cli|data|grid|stats)/"

ownTotal=0
otherTotal=0
failed=()
while IFS= read -r test; do
    name=$(basename "$test")
    log="$logs/$name.log"
    if ! valgrind --tool=memcheck --leak-check=full --show-leak-kinds=definite \
        --errors-for-leak-kinds=definite --num-callers=40 --fullpath-after= \
        --log-file="$log" "$test" >"$logs/$name.out" 2>&1; then
        failed+=("$name")
    fi
    # One loss record per "definitely lost in loss record" line, up to the blank line
    # that ends its stack; the record counts as ours when a frame is in our sources.
    read -r own other < <(awk -v own="$ownCode" '
        /definitely lost in loss record/ {
            inRecord = 1; mine = 0
            match($0, /bytes in [0-9,]+ blocks/)
            split(substr($0, RSTART, RLENGTH), parts, " ")
            gsub(",", "", parts[3]); blocks = parts[3] + 0
            next
        }
        inRecord && $0 ~ own { mine = 1 }
        inRecord && /^==[0-9]+== *$/ {
            if (mine) ownBlocks += blocks; else otherBlocks += blocks
            inRecord = 0
        }
        END { print ownBlocks + 0, otherBlocks + 0 }' "$log")
    echo "$name: definitely lost blocks: $own from the program's code, $other from libraries"
    ownTotal=$((ownTotal + own))
    otherTotal=$((otherTotal + other))
done < <(find "$build/tests" -type f -executable -name "${pattern}*" | sort)

echo "Total definitely lost blocks: $ownTotal from the program's code, $otherTotal from libraries"
if [ ${#failed[@]} -gt 0 ]; then
    echo "Failed under valgrind: ${failed[*]} (see $logs)" >&2
    exit 1
fi
[ "$ownTotal" -eq 0 ]
