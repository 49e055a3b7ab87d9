#!/usr/bin/env bash
# Installs the Debian packages the project needs that are not there yet, and
# those named as arguments (the fuzz and benchmark scripts need a few more).
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-svg-dev libsqlite3-dev media-types
  libgtest-dev libgmock-dev libbenchmark-dev
  libssl-dev nlohmann-json3-dev
  xvfb xauth python3
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
