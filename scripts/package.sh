#!/usr/bin/env bash
# Builds the Debian package from debian/ as a fresh Debian 12 would, then runs
# lintian on it. Works on a copy of the checkout's files (tracked and new, no
# build folders) in build-deb/quorvel-VERSION, so the worktree stays clean;
# the .deb, the source package and lintian's report land in build-deb/.
#   scripts/package.sh            # build, run the scenarios, lint
#   DEB_BUILD_OPTIONS=nocheck scripts/package.sh   # without the scenarios
set -euo pipefail
missing_tools=()
cd "$(dirname "$0")/.."

# The tools, then what debian/control's Build-Depends name (the tests' own
# packages are scripts/setup.sh's).
SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
for tool in dpkg-buildpackage:dpkg-dev dh:debhelper lintian:lintian; do
  command -v "${tool%%:*}" >/dev/null || missing_tools+=("${tool#*:}")
done
if [ ${#missing_tools[@]} -gt 0 ]; then
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing_tools[@]}"
fi
if ! dpkg-checkbuilddeps 2>/dev/null; then
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get build-dep -y -qq ./
fi

version=$(dpkg-parsechangelog -S Version)
out=build-deb
src=$out/quorvel-$version
rm -rf "$out"
mkdir -p "$src"
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  git ls-files -z --cached --others --exclude-standard | tar -c --null --ignore-failed-read -T - | tar -x -C "$src"
else
  tar -c --exclude='./build*' --exclude=./obj-* . | tar -x -C "$src"
fi

# A compiler cache, when there is one, makes a rebuild quick.
if command -v ccache >/dev/null; then
  export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
fi

(cd "$out" && dpkg-source --build "quorvel-$version")
(cd "$src" && dpkg-buildpackage -us -uc -b -j"$(nproc)")

changes=$(ls "$out"/quorvel_"$version"_*.changes)
echo "lintian $changes $out/quorvel_$version.dsc"
status=0
lintian --display-info --fail-on error,warning,info "$changes" "$out/quorvel_$version.dsc" \
  | tee "$out/lintian.txt" || status=$?
if [ "$status" -eq 0 ]; then
  echo "lintian: no errors, warnings or info tags"
fi
ls "$out"/*.deb
exit "$status"
