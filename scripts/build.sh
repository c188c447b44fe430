#!/usr/bin/env bash
# Configures and builds into build/ (or $1), with extra CMake arguments after it.
# The generator is CMake's default (Unix Makefiles) unless CMAKE_GENERATOR says
# otherwise, e.g. CMAKE_GENERATOR=Ninja scripts/build.sh build-ninja.
# ccache (installed by setup.sh) keeps objects between builds and between
# clones: paths are hashed relative to the source tree, so a fresh clone
# elsewhere reuses what an earlier one compiled.
set -euo pipefail
dir=${1:-build}; shift || true
if command -v ccache >/dev/null; then
  export CMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER:-ccache}
  export CMAKE_CXX_COMPILER_LAUNCHER=${CMAKE_CXX_COMPILER_LAUNCHER:-ccache}
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD} CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-true}
fi
cmake -S . -B "$dir" "$@" >/dev/null
cmake --build "$dir" -j"$(nproc)"
