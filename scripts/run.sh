#!/usr/bin/env bash
# Installs what is missing, builds the program in Release and starts it.
# The mail store and settings live in the data directory (default ~/Corvalen).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
data=${CORVALEN_DATA:-$HOME/Corvalen}

bash "$top/scripts/install-deps.sh"
cmake -S "$top" -B "$top/build-release" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCORVALEN_BUILD_TESTS=OFF -DCORVALEN_BUILD_BENCH=OFF >/dev/null
cmake --build "$top/build-release" --target corvalen

mkdir -p "$data"
cd "$data"
exec "$top/build-release/app/corvalen"
