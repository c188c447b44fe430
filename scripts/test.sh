#!/usr/bin/env bash
# Set-up, build and every test: the README's test command.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh build
ctest --test-dir build --output-on-failure -j"$(nproc)"
