#!/usr/bin/env bash
# Installs what is missing (Debian packages), builds, and runs either the example analysis or
# every test.   Usage: scripts/run.sh example | test
set -euo pipefail
cd "$(dirname "$0")/.."
what=${1:-test}
jobs=$(nproc)

# Everything comes from Debian's packages; Python is Debian's /usr/bin/python3 with numpy.
packages=(g++ cmake make python3-dev python3-numpy python3-pytest python3-scipy
          liblapack-dev libblas-dev libgtest-dev libbenchmark-dev)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
fi

PY=/usr/bin/python3
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DPython3_EXECUTABLE=$PY >/dev/null
cmake --build build -j "$jobs"
export PYTHONPATH="$PWD/build/python${PYTHONPATH:+:$PYTHONPATH}"

case "$what" in
  example)
    $PY examples/analysis.py
    ;;
  test)
    # The C++ tests, then again under AddressSanitizer and UndefinedBehaviorSanitizer.
    (cd build && ctest --output-on-failure)
    cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTVK_SANITIZE=ON -DTVK_PYTHON=OFF \
          -DTVK_BENCH=OFF >/dev/null
    cmake --build build-asan -j "$jobs" --target tvk_tests
    (cd build-asan && ctest --output-on-failure)
    # The Python interface; its summary is the last line.
    $PY -m pytest -q -p no:cacheprovider tests/python
    ;;
  *)
    echo "usage: $0 example|test" >&2
    exit 2
    ;;
esac
