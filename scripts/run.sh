#!/usr/bin/env bash
# Installs what is missing (Debian packages), builds, and runs either the example analysis or
# every test.   Usage: scripts/run.sh example | test
set -euo pipefail
cd "$(dirname "$0")/.."
what=${1:-test}
jobs=$(nproc)
case "$what" in
  # The examples need the library and the Python module only, not the test programs.
  example) targets=(--target tolvek _tolvek) ;;
  test) targets=() ;;
  *)
    echo "usage: $0 example|test" >&2
    exit 2
    ;;
esac

# Everything comes from Debian's packages; Python is Debian's /usr/bin/python3 with numpy.
packages=(g++ cmake make python3-dev python3-numpy python3-pytest python3-pytest-timeout
          python3-scipy python3-mpmath python3-matplotlib liblapack-dev libblas-dev libgtest-dev
          libbenchmark-dev gfortran)
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
# Always with warnings as errors, so that a change that adds one cannot land, and so that the
# example and the tests share one release build (a different flag would rebuild all of it).
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DTVK_WERROR=ON -DPython3_EXECUTABLE=$PY >/dev/null
cmake --build build -j "$jobs" ${targets[@]+"${targets[@]}"}
export PYTHONPATH="$PWD/build/python${PYTHONPATH:+:$PYTHONPATH}"

case "$what" in
  example)
    # First-ply failure of a laminate: tables from its cards, three criteria, the failure
    # envelope as a picture (matplotlib without a display).
    MPLBACKEND=Agg $PY examples/laminate_failure.py --png build/laminate_failure.png
    # Progressive damage of a laminate point in tension, driven through the solver routines as a
    # solver runs a job: the damage sequence and the stress-strain curve as a picture.
    echo
    MPLBACKEND=Agg $PY examples/progressive_damage.py --png build/progressive_damage.png
    ;;
  test)
    # Everything again under AddressSanitizer and UndefinedBehaviorSanitizer: the C++ tests, and
    # the Python tests (the robustness walk included) with the sanitizer runtimes preloaded into
    # the interpreter.
    cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DTVK_SANITIZE=ON -DTVK_BENCH=OFF \
          -DTVK_WERROR=ON -DPython3_EXECUTABLE=$PY >/dev/null
    cmake --build build-asan -j "$jobs"
    (cd build-asan && ctest --output-on-failure)
    ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=abort_on_error=1:print_stacktrace=1 \
      LD_PRELOAD="$(g++ -print-file-name=libasan.so):$(g++ -print-file-name=libubsan.so)" \
      PYTHONPATH="$PWD/build-asan/python" $PY -m pytest -q -p no:cacheprovider tests/python
    # The card readers (a minute) and the listing reader (half a minute) under libFuzzer, from
    # their seed corpora (needs clang; only the readers are compiled again, the rest of the
    # library is the release build's).
    if command -v clang++ >/dev/null; then
      mkdir -p build-fuzz
      bash scripts/fuzz.sh 60 >build-fuzz/fuzz.log 2>&1 || { tail -40 build-fuzz/fuzz.log; exit 1; }
      grep -E "^Done" build-fuzz/fuzz.log || true
    else
      echo "clang++ not found: reader fuzzing skipped"
    fi
    # The C++ tests and the Python interface of the release build. A failure ends the run here
    # (set -e), with the suite's summary as the last line.
    (cd build && ctest --output-on-failure)
    $PY -m pytest -q -p no:cacheprovider tests/python
    # numpy computes sin, cos, exp and log with code of its own where the CPU has AVX-512, and
    # those differ from glibc's in the last bits: on such a machine the property test of the
    # fracture-plane searches, whose references are numpy's sin and cos of the plane angles, runs a
    # second time without it, so that its tolerances hold for the references of either kind of
    # machine. It comes after the whole suite, whose result it therefore never hides; its own
    # failure still fails the run (set -e).
    # Only features this numpy dispatches and the CPU has are named (numpy warns of any other).
    avx512=$($PY -c 'from numpy.core._multiarray_umath import __cpu_dispatch__ as d, __cpu_features__ as f
print(" ".join(x for x in d if x.startswith("AVX512") and f.get(x)) if f.get("AVX512F") else "")')
    if [ -n "$avx512" ]; then
      echo "plane-search property test without numpy's $avx512 code:"
      NPY_DISABLE_CPU_FEATURES="$avx512" $PY -m pytest -q -p no:cacheprovider \
        tests/python/test_plane_search_contract.py -k every_search_stays_in_range
    fi
    ;;
esac
