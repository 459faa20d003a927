#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test: once in a normal build and once with
# AddressSanitizer and UndefinedBehaviorSanitizer. Runs under Xvfb.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup-deps.sh"

# The X server must not reset while the tests run: it does whenever its last client leaves, and then
# drops a client whose connection it accepted that moment (that test dies of SIGPIPE in XOpenDisplay, or
# runs without a display).
run_suite() {
    local dir="$1"; shift
    mkdir -p "$dir"
    "$root/scripts/build.sh" "$dir" -DTOLVA_BUILD_BENCH=OFF "$@"
    (cd "$dir" && xvfb-run -a -s "-screen 0 1024x768x24 -noreset" ctest --output-on-failure -j "$(nproc)")
}

echo "== Normal build"
run_suite "$root/build-test"
echo "== AddressSanitizer + UndefinedBehaviorSanitizer build"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    run_suite "$root/build-test-asan" -DTOLVA_SANITIZE=address
