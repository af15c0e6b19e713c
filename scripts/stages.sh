# Stages of the test command (scripts/test.sh): run_stage runs one and counts
# its tests, print_summary ends the output with a line per stage and the line
# "N passed, M failed" over all of them, which CI reads. Sourced after
# common.sh; the logs go to $LOG_DIR.
LOG_DIR="${LOG_DIR:-$BUILD_DIR/test-logs}"
mkdir -p "$LOG_DIR"
SUMMARY=()
TOTAL_PASSED=0
TOTAL_FAILED=0

# Runs stage $1 (the command after it) with its output shown and kept in a
# log, and counts its tests: ctest's and unittest's own counts when it ran
# them, else the stage as one test. A stage that fails outside its tests
# (a build, a comparison) counts one failure more.
run_stage() {
    local name="$1" log="$LOG_DIR/$1.log" start=$SECONDS status
    shift
    echo "=== $name"
    set +e
    ( set -e; "$@" ) 2>&1 | tee "$log"
    status=${PIPESTATUS[0]}
    set -e
    local counts passed failed
    # ctest shows the output of a failed test, unittest counts included:
    # where ctest ran, only its own counts count.
    counts="$(awk '
        /^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+/ { cf += $4; cp += $NF - $4; ctest = 1 }
        /^Ran [0-9]+ tests? in / { up += $2; unittest = 1 }
        /^FAILED \(/ { while (match($0, /(failures|errors)=[0-9]+/)) {
                           n = substr($0, RSTART, RLENGTH); sub(/.*=/, "", n)
                           up -= n; uf += n; $0 = substr($0, RSTART + RLENGTH) } }
        END { if (ctest) print cp + 0, cf + 0; else if (unittest) print up + 0, uf + 0; else print -1, 0 }' "$log")"
    read -r passed failed <<<"$counts"
    if [ "$passed" -lt 0 ]; then
        passed=$((status == 0 ? 1 : 0))
        failed=$((status == 0 ? 0 : 1))
    elif [ "$status" -ne 0 ] && [ "$failed" -eq 0 ]; then
        failed=1
    fi
    TOTAL_PASSED=$((TOTAL_PASSED + passed))
    TOTAL_FAILED=$((TOTAL_FAILED + failed))
    SUMMARY+=("$(printf '%-9s %5d passed, %d failed  (%d s)' "$name" "$passed" "$failed" $((SECONDS - start)))")
}

# The summary; fails when any stage failed.
print_summary() {
    echo "=== summary"
    printf '%s\n' "${SUMMARY[@]}"
    echo "$TOTAL_PASSED passed, $TOTAL_FAILED failed"
    [ "$TOTAL_FAILED" -eq 0 ]
}
