#!/usr/bin/env bash
# Builds the libFuzzer target of the card readers with clang (in build-fuzz/) and runs it on the
# seed corpus of hand-written cards.   Usage: scripts/fuzz.sh [seconds, default 600]
# New inputs the fuzzer finds go to build-fuzz/corpus; crash inputs to build-fuzz/ (crash-*).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=Release -DTVK_FUZZ=ON -DTVK_PYTHON=OFF -DTVK_BENCH=OFF >/dev/null
cmake --build build-fuzz -j 4 --target tvk_fuzz_cards
mkdir -p build-fuzz/corpus
cd build-fuzz
./tvk_fuzz_cards -max_total_time="$seconds" -max_len=4096 -rss_limit_mb=2048 -print_final_stats=1 \
  corpus ../tests/fuzz/corpus
