#!/usr/bin/env bash
# Writes the demo's pictures over the golden references in tests/golden:
# runs `quorvel demo` in a temporary folder and copies every demo-*.png it
# wrote. Use after an intended change to what the pictures show, look at the
# new pictures, then commit them. Argument: the quorvel program
# (default build/bin/quorvel).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
quorvel="$(realpath "${1:-$root/build/bin/quorvel}")"
folder="$(mktemp -d)"
trap 'rm -rf "$folder"' EXIT
(cd "$folder" && "$quorvel" demo >demo.log 2>&1) || { cat "$folder/demo.log" >&2; exit 1; }
shopt -s nullglob
pictures=("$folder"/demo-*.png)
[ ${#pictures[@]} -gt 0 ] || { echo "quorvel demo wrote no pictures" >&2; exit 1; }
rm -f "$root"/tests/golden/demo-*.png
cp "${pictures[@]}" "$root/tests/golden/"
echo "refreshed ${#pictures[@]} references in tests/golden:"
for p in "${pictures[@]}"; do echo "  $(basename "$p")"; done
