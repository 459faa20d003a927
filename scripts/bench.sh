#!/usr/bin/env bash
# Installs what is missing, builds the benchmarks in release mode and runs them under Xvfb.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/setup-deps.sh"
"$root/scripts/build.sh" "$root/build-bench" -DCMAKE_BUILD_TYPE=Release -DTOLVA_BUILD_TESTS=OFF -DTOLVA_BUILD_BENCH=ON
# -noreset: the benchmarks start the program again and again; a reset as one ends drops the next one.
xvfb-run -a -s "-screen 0 1024x768x24 -noreset" "$root/build-bench/bench/tolva_bench" "$@"
