#!/usr/bin/env bash
# Configures and builds into build/ (or $1), with extra CMake arguments after it.
# The generator is CMake's default (Unix Makefiles) unless CMAKE_GENERATOR says
# otherwise, e.g. CMAKE_GENERATOR=Ninja scripts/build.sh build-ninja.
set -euo pipefail
dir=${1:-build}; shift || true
cmake -S . -B "$dir" "$@" >/dev/null
cmake --build "$dir" -j"$(nproc)"
