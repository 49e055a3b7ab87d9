#!/usr/bin/env bash
# Decoding benchmark: mailtool against GMime 3 on generated messages (see
# decode_vs_gmime.py). Installs what is missing, builds mailtool in Release
# (build-release/) and the GMime program, then prints the figures.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
out="$top/build-release"

bash "$top/scripts/install-deps.sh" gcc libgmime-3.0-dev time
cmake -S "$top" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCORVALEN_BUILD_APP=OFF -DCORVALEN_BUILD_TESTS=OFF -DCORVALEN_BUILD_BENCH=OFF >/dev/null
cmake --build "$out" -j "$(nproc)" --target mailtool
mkdir -p "$out/bench"
# shellcheck disable=SC2046
gcc -O2 -o "$out/bench/gmime_decode" "$top/bench/gmime_decode.c" $(pkg-config --cflags --libs gmime-3.0 libcrypto)

python3 "$top/bench/decode_vs_gmime.py" --mailtool "$out/tools/mailtool/mailtool" \
  --gmime "$out/bench/gmime_decode" --data "$out/bench-data" "$@"
