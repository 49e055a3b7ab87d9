#!/usr/bin/env bash
# Installs what is missing, builds the program in Release and starts it.
# The program keeps its mail store and settings in $CORVALEN_DATA, else in
# ~/Corvalen, and makes that directory itself.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)

bash "$top/scripts/install-deps.sh"
cmake -S "$top" -B "$top/build-release" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCORVALEN_BUILD_TESTS=OFF -DCORVALEN_BUILD_BENCH=OFF >/dev/null
cmake --build "$top/build-release" --target corvalen

exec "$top/build-release/app/corvalen"
