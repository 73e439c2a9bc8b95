#!/usr/bin/env bash
# Runs the test suites built with AddressSanitizer and UndefinedBehaviorSanitizer (gcc, in
# build-asan/; the window tests on Xvfb too) and, beside them, fuzzes the file-name handling
# with the libFuzzer target fuzz_names (clang, in build-fuzz/) on the seeds in
# tests/fuzz-corpus/.
# Usage: scripts/sanitizers.sh [inputs to fuzz (500000, about a minute of one core)]
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-500000}
bash scripts/install-dependencies.sh sanitizers

work=$(mktemp -d)
fuzzer=
cleanup() {
    [[ -z $fuzzer ]] || kill "$fuzzer" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

export CMAKE_GENERATOR=${CMAKE_GENERATOR:-Ninja}
cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DORVALEN_FUZZ=ON -DBUILD_TESTING=ON -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
cmake --build build-fuzz --target fuzz_names --parallel "$(nproc)"

# The fuzzer runs while the sanitized tests are built and run beside it (they mostly wait for
# the programs they start). It tries a fixed number of inputs, so that sharing the cores does
# not make it fuzz less. Its output follows theirs. New inputs go to a scratch corpus; the
# committed seeds are only read. A failing input is written to build-fuzz/.
mkdir "$work/corpus"
build-fuzz/tests/fuzz_names -runs="$runs" -print_final_stats=1 \
    -artifact_prefix=build-fuzz/ "$work/corpus" tests/fuzz-corpus >"$work/fuzz.log" 2>&1 &
fuzzer=$!

# Unoptimized with line tables only: the quickest build whose reports still name file and line.
flags="-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 \
    -DCMAKE_COMPILE_WARNING_AS_ERROR=ON -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="$flags" \
    -DCMAKE_MODULE_LINKER_FLAGS="$flags"
cmake --build build-asan --parallel "$(nproc)"

# Each process writes its reports to a file of its own, named for its program: the companion
# that runs the encoders outlives the program the test started, and nobody reads its
# standard error. Beside ASan, gcc's UBSan writes its own message to standard error whatever
# log_path says: each of its errors aborts, and ASan's report of that abort, with the stack
# where it happened, goes to the file.
export ASAN_OPTIONS=log_path=$work/report:log_exe_name=1:handle_abort=1
export UBSAN_OPTIONS=log_path=$work/report:print_stacktrace=1:abort_on_error=1
# Two leaks are no fault to report: the display trial keeps its X connection until the
# program ends, on purpose (an X server resets when its last client leaves); and libdbus
# keeps a read buffer of the session bus that Qt's D-Bus thread never closes.
export LSAN_OPTIONS=suppressions=$work/leaks:print_suppressions=0
printf 'leak:%s\n' xcb_connect_to_fd libdbus-1.so >"$work/leaks"
status=0
(cd build-asan && ctest --output-on-failure --parallel "$((2 * $(nproc)))" --label-exclude xvfb) ||
    status=$?
# The window tests after the others, one per core, so that neither slows the windows of the
# other.
(cd build-asan && ctest --output-on-failure --parallel "$(nproc)" --label-regex xvfb) ||
    status=$?
reports=("$work"/report.*)
if [[ -e ${reports[0]} ]]; then
    cat "${reports[@]}" >&2
    status=1
fi
unset ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS

fuzz_status=0
wait "$fuzzer" || fuzz_status=$?
fuzzer=
cat "$work/fuzz.log"
((status == 0)) || { echo "sanitizers.sh: the sanitized test suites failed" >&2; exit 1; }
((fuzz_status == 0)) || { echo "sanitizers.sh: fuzzing found a failing input" >&2; exit 1; }
echo "sanitizers.sh: the sanitized test suites passed, and fuzzing $runs inputs found nothing"
