#!/usr/bin/env bash
# Builds the readers' fuzz targets with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) in build-fuzz/, writes their seed corpora and
# runs each target for SECONDS (default 20). Fails when any target reports a
# crash, a leak, a timeout, running out of memory or a sanitizer finding; the
# input that did it is kept in build-fuzz/fuzz-artifacts/.
#   scripts/fuzz.sh [SECONDS] [TARGET...]
# The corpus of each target grows in build-fuzz/fuzz-corpus/<target>/ from run
# to run. FUZZ_ARGS adds libFuzzer options (for example FUZZ_ARGS=-jobs=2).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh

seconds=${1:-20}
shift || true
builddir=build-fuzz

CC=${FUZZ_CC:-clang} CXX=${FUZZ_CXX:-clang++} cmake -S . -B "$builddir" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTO_FUZZ=ON -DVANTO_BUILD_TESTS=OFF \
  -DVANTO_BUILD_BENCH=OFF >/dev/null
cmake --build "$builddir" -j "$(nproc)" --target vanto_fuzzers

IFS=';' read -r -a all <"$builddir/tests/fuzz/targets.txt"
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all[@]}")

# Absolute: the configuration target works in a folder of its own.
corpus="$PWD/$builddir/fuzz-corpus"
artifacts="$PWD/$builddir/fuzz-artifacts"
mkdir -p "$artifacts"
"$builddir/tests/fuzz/vanto-fuzz-seeds" "$corpus" "${targets[@]}"

failed=()
for t in "${targets[@]}"; do
  echo "=== fuzz_$t: $seconds s"
  log="$builddir/fuzz-$t.log"
  # -rss_limit_mb also limits every single allocation: a reader that asks for
  # more than 2 GiB because of a few bytes of input is a finding.
  if ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=0 \
    "$builddir/tests/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$artifacts/$t-" ${FUZZ_ARGS:-} "$corpus/$t" \
    >"$log" 2>&1; then
    grep -E '^(#[0-9]+ *DONE|stat::number_of_executed_units|stat::peak_rss_mb)' "$log" || true
  else
    failed+=("$t")
    tail -n 40 "$log"
  fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz targets with findings: ${failed[*]} (inputs in $artifacts)"
  exit 1
fi
echo "fuzz targets clean: ${targets[*]}"
