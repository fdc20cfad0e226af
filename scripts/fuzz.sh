#!/usr/bin/env bash
# Builds the libFuzzer targets of the card readers and of the data listing reader with clang (in
# build-fuzz/) and runs each on its seed corpus of hand-written files: the card readers for the
# given time, the listing reader for half of it.   Usage: scripts/fuzz.sh [seconds, default 600]
# New inputs the fuzzer finds go to build-fuzz/corpus and build-fuzz/listing_corpus; crash inputs
# to build-fuzz/ (crash-*).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=Release -DTVK_FUZZ=ON -DTVK_PYTHON=OFF -DTVK_BENCH=OFF >/dev/null
cmake --build build-fuzz -j 4 --target tvk_fuzz_cards tvk_fuzz_listing
mkdir -p build-fuzz/corpus build-fuzz/listing_corpus
cd build-fuzz
./tvk_fuzz_cards -max_total_time="$seconds" -max_len=4096 -rss_limit_mb=2048 -print_final_stats=1 \
  corpus ../tests/fuzz/corpus
./tvk_fuzz_listing -max_total_time="$(( (seconds + 1) / 2 ))" -max_len=8192 -rss_limit_mb=2048 \
  -print_final_stats=1 listing_corpus ../tests/fuzz/listing_corpus
