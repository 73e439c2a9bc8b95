#!/usr/bin/env bash
# From a fresh Debian 12 machine (as root) to the whole test suite passing.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-dependencies.sh
bash scripts/build.sh
cd build
# Three tests per core: they mostly wait for the programs they start.
ctest --output-on-failure --parallel "$((3 * $(nproc)))"
