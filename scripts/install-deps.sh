#!/usr/bin/env bash
# Installs the Debian 12 packages the project builds, tests and runs with,
# only when some are missing.  Uses sudo when not root.
set -euo pipefail

Packages=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libzstd-dev
  qt6-base-dev qt6-svg-dev libgl-dev qt6-translations-l10n qt6-tools-dev qt6-l10n-tools
  clang libclang-rt-14-dev clang-format
  python3 iverilog    # the tests import the Python tables and simulate the Verilog decoder
  fonts-ipafont-gothic
  xvfb xauth x11-utils imagemagick
)

Missing=()
for P in "${Packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$P" 2>/dev/null | grep -q "install ok installed"; then
    Missing+=("$P")
  fi
done
[ ${#Missing[@]} -eq 0 ] && exit 0

Sudo=()
[ "$(id -u)" -ne 0 ] && Sudo=(sudo)
echo "Installing: ${Missing[*]}"
"${Sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
"${Sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${Missing[@]}"
