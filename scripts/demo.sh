#!/usr/bin/env bash
# Set-up, build and the main job: the README's run command.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh build
echo 'Balance -12,30 rub. Bonus 1 000.50 until 08.12.2026 - call *100#' | build/bin/quorvel parse-numbers
