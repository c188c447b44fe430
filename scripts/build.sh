#!/usr/bin/env bash
# Configures and builds into build/ (or $1), with extra CMake arguments after it.
set -euo pipefail
dir=${1:-build}; shift || true
cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
cmake --build "$dir" -j"$(nproc)"
