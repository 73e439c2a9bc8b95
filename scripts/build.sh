#!/usr/bin/env bash
# Builds the program and its tests into build/, treating every warning as an error.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_COMPILE_WARNING_AS_ERROR=ON
cmake --build build --parallel "$(nproc)"
