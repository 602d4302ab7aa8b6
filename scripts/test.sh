#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test stage:
#   normal  the full build (programs, libraries, tests, benchmarks) and all tests
#   asan    the build and its tests again, windows included (offscreen, as in
#           the normal stage), with Address+UndefinedBehavior sanitizers
#           (clang), plus bounded libFuzzer runs of the fuzz targets
#   tsan    the threaded tests (label "threads") under ThreadSanitizer, without
#           the windows: Qt itself is not instrumented (scripts/tsan.supp), so
#           threaded checks run on the widget-free core
# Usage: scripts/test.sh [normal|asan|tsan]...   (default: all three)
# Every test runs inside a private network namespace (scripts/isolate.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
bash scripts/install-deps.sh

stages=("$@")
[ ${#stages[@]} -gt 0 ] || stages=(normal asan tsan)
jobs=$(nproc)
# Most tests spend their time waiting for simulated sensor time, so a couple
# more of them than there are cores keep the machine busy.
test_jobs=$((jobs + 2))
total_passed=0
total_failed=0
status=0

timed() {   # what, command...: runs the command and says how long it took
    local what=$1; shift
    local start=$SECONDS
    "$@"
    echo "=== $what: $((SECONDS - start)) s"
}

configure_and_build() {   # dir, extra cmake args..., -- targets...
    local dir=$1; shift
    local args=() targets=()
    while [ $# -gt 0 ] && [ "$1" != -- ]; do args+=("$1"); shift; done
    [ $# -gt 0 ] && shift
    targets=("$@")
    cmake -S . -B "$dir" -G Ninja -Wno-dev "${args[@]}" >/dev/null
    if [ ${#targets[@]} -gt 0 ]; then
        cmake --build "$dir" -j "$jobs" --target "${targets[@]}"
    else
        cmake --build "$dir" -j "$jobs"
    fi
}

run_ctest() {   # dir, ctest args...
    local dir=$1; shift
    local log
    log=$(mktemp)
    set +e
    bash scripts/isolate.sh ctest --test-dir "$dir" --output-on-failure -j "$test_jobs" "$@" 2>&1 | tee "$log"
    local rc=${PIPESTATUS[0]}
    set -e
    local line passed failed
    line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1 || true)
    if [ -n "$line" ]; then
        failed=$(sed -E 's/.*passed, ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
        local all
        all=$(sed -E 's/.*failed out of ([0-9]+).*/\1/' <<<"$line")
        passed=$((all - failed))
        total_passed=$((total_passed + passed))
        total_failed=$((total_failed + failed))
    fi
    rm -f "$log"
    [ "$rc" -eq 0 ] || status=1
}

has_label() {   # any test declared with this label?
    grep -rqs --include=CMakeLists.txt --include="*.cmake" -E "LABELS[^)]*\b$1\b" tests
}

for stage in "${stages[@]}"; do
    echo "=== stage: $stage"
    case "$stage" in
    normal)
        # Line tables are all a test's or a crash's backtrace needs; full
        # debug info makes the compiler work a quarter longer.
        timed "normal build" configure_and_build build/normal -DCMAKE_BUILD_TYPE=RelWithDebInfo \
            "-DCMAKE_C_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG" "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG"
        timed "normal tests" run_ctest build/normal
        ;;
    asan)
        export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
        export LSAN_OPTIONS=suppressions=$root/scripts/lsan.supp:print_suppressions=0
        export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
        CC=clang CXX=clang++ timed "asan build" configure_and_build build/asan \
            -DCMAKE_BUILD_TYPE=Debug "-DQUVIX_SANITIZE=address;undefined" \
            -DQUVIX_BUILD_GUI=ON -DQUVIX_BUILD_BENCH=OFF -DQUVIX_BUILD_FUZZ=ON
        timed "asan tests" run_ctest build/asan -LE fuzz
        if has_label fuzz || grep -rqs quvix_add_fuzzer tests; then
            timed "asan fuzz" run_ctest build/asan -L fuzz
        fi
        unset ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS
        ;;
    tsan)
        if ! has_label threads; then
            echo "tsan: no threaded tests declared yet"
            continue
        fi
        export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:suppressions=$root/scripts/tsan.supp
        CC=clang CXX=clang++ timed "tsan build" configure_and_build build/tsan \
            -DCMAKE_BUILD_TYPE=Debug -DQUVIX_SANITIZE=thread \
            -DQUVIX_BUILD_GUI=OFF -DQUVIX_BUILD_BENCH=OFF
        timed "tsan tests" run_ctest build/tsan -L threads
        unset TSAN_OPTIONS
        ;;
    *)
        echo "unknown stage: $stage" >&2
        exit 2
        ;;
    esac
done

echo "tests: $total_passed passed, $total_failed failed"
exit "$status"
