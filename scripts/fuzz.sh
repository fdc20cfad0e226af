#!/usr/bin/env bash
# Builds the libFuzzer targets of the card readers and of the data listing reader with clang (in
# build-fuzz/: the readers instrumented, linked with the release build's library) and runs each
# on its seed corpus of hand-written files: the card readers for the given time, the listing
# reader for half of it.   Usage: scripts/fuzz.sh [seconds, default 600]
# New inputs the fuzzer finds go to build-fuzz/corpus and build-fuzz/listing_corpus; crash inputs
# to build-fuzz/ (crash-*).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
jobs=$(nproc)
# Only the readers are compiled here, with the fuzzer's instrumentation; the rest of the library
# is the release build's static archive (configured as scripts/run.sh does when build/ is new,
# and brought up to date, which after scripts/run.sh builds nothing).
if [ ! -f build/CMakeCache.txt ]; then
  cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DTVK_WERROR=ON -DPython3_EXECUTABLE=/usr/bin/python3 >/dev/null
fi
cmake --build build -j "$jobs" --target tolvek_static
CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=Release -DTVK_FUZZ=ON -DTVK_PYTHON=OFF -DTVK_BENCH=OFF \
  -DTVK_FUZZ_LIBRARY="$PWD/build/libtolvek_static.a" >/dev/null
cmake --build build-fuzz -j "$jobs" --target tvk_fuzz_cards tvk_fuzz_listing
mkdir -p build-fuzz/corpus build-fuzz/listing_corpus
cd build-fuzz
./tvk_fuzz_cards -max_total_time="$seconds" -max_len=4096 -rss_limit_mb=2048 -print_final_stats=1 \
  corpus ../tests/fuzz/corpus
./tvk_fuzz_listing -max_total_time="$(( (seconds + 1) / 2 ))" -max_len=8192 -rss_limit_mb=2048 \
  -print_final_stats=1 listing_corpus ../tests/fuzz/listing_corpus
