#!/usr/bin/env bash
# Set-up, build and the main job: the README's run command.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh build
build/bin/quorvel demo
