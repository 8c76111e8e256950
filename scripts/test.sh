#!/usr/bin/env bash
# Installs what is missing, builds everything and runs all tests.
#   scripts/test.sh              normal build in build/
#   scripts/test.sh --sanitize   AddressSanitizer + UBSan build in build-asan/
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

builddir=build
cmake_args=(-G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo)
if [ "${1:-}" = "--sanitize" ]; then
  builddir=build-asan
  cmake_args=(-G Ninja -DCMAKE_BUILD_TYPE=Debug -DVANTO_SANITIZE=ON -DVANTO_BUILD_BENCH=OFF)
fi

cmake -S . -B "$builddir" "${cmake_args[@]}"
cmake --build "$builddir" -j "$(nproc)"
ctest --test-dir "$builddir" --output-on-failure -j "$(nproc)"
# A batch as a Slurm job array on a local one-node cluster (skipped unless root).
if [ "$builddir" = build ]; then tests/array_e2e.sh "$builddir"; fi
