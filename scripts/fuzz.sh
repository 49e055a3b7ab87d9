#!/usr/bin/env bash
# Builds the message fuzz target with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer, LeakSanitizer) and runs it for SECONDS
# (default 300); further arguments go to libFuzzer (-max_len=65536, say).
# The corpus grows in build-fuzz/corpus, starting from the seed messages in
# fuzz/seeds; a crashing input is saved as build-fuzz/crash-* and the script
# exits non-zero.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-300}
shift || true

bash "$top/scripts/install-deps.sh" clang libclang-rt-14-dev
cmake -S "$top" -B "$top/build-fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DCORVALEN_BUILD_FUZZ=ON \
  -DCORVALEN_BUILD_APP=OFF -DCORVALEN_BUILD_TESTS=OFF -DCORVALEN_BUILD_BENCH=OFF \
  -DCORVALEN_BUILD_TOOLS=OFF >/dev/null
cmake --build "$top/build-fuzz" -j "$(nproc)" --target message_fuzzer

mkdir -p "$top/build-fuzz/corpus"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  "$top/build-fuzz/fuzz/message_fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -dict="$top/fuzz/message.dict" -artifact_prefix="$top/build-fuzz/" "$@" \
  "$top/build-fuzz/corpus" "$top/fuzz/seeds"
