#!/usr/bin/env bash
# Builds everything and runs the whole test suite. In CI (CI=true), or with VELMORA_SANITIZE_TESTS=1,
# the suite runs a second time in a build with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh -DVELMORA_BUILD_BENCH=ON # benchmarks are built, so they cannot fall behind the code
(cd build && ctest --output-on-failure -j"$(nproc)")

if [ "${CI:-}" = "true" ] || [ "${VELMORA_SANITIZE_TESTS:-0}" = 1 ]; then
  echo "== the same tests under ASan and UBSan"
  cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=Debug -DVELMORA_SANITIZE=ON -DVELMORA_BUILD_GUI=OFF >/dev/null
  cmake --build build-sanitize -j"$(nproc)"
  # Leaks inside RDKit's own error paths are not ours (see the file).
  export LSAN_OPTIONS="suppressions=$PWD/tests/sanitizer/lsan.supp:print_suppressions=0"
  (cd build-sanitize && ctest --output-on-failure -j"$(nproc)")
fi
