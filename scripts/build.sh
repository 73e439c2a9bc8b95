#!/usr/bin/env bash
# Builds the program and its tests into build/, treating every warning as an error; given
# targets, only those and what they need.
# Usage: scripts/build.sh [target...]
set -euo pipefail
cd "$(dirname "$0")/.."

# Ninja for a new build folder; one configured before keeps its own generator.
export CMAKE_GENERATOR=${CMAKE_GENERATOR:-Ninja}
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
cmake --build build --parallel "$(nproc)" ${1:+--target "$@"}
