#!/usr/bin/env bash
# End to end on a real one-node Slurm (scripts/local-slurm.sh): the example
# array batch over a 32-slice phantom as 4 tasks of 8 slices must give files
# byte-identical to one process over all 32; a removed result file makes
# status fail naming its slice, and resubmission mends it; a task beyond the
# detector is reported with exit status 1.
#   tests/array_e2e.sh [BUILD_DIR]     (default build/)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
vanto=$build/src/vanto
array=$build/src/vanto-array
phantom=$build/tools/vanto-phantom/vanto-phantom
batch=$root/examples/array-slices.batch

if [ "$(id -u)" -ne 0 ]; then
  echo "array end-to-end test SKIPPED: it starts a local Slurm, which needs root"
  exit 0
fi

work=$(mktemp -d)
started=0
cleanup() {
  local rc=$?
  if [ $started -eq 1 ]; then "$root/scripts/local-slurm.sh" stop || true; fi
  rm -rf "$work"
  [ $rc -eq 0 ] && echo "array end-to-end test PASSED" || echo "array end-to-end test FAILED"
}
trap cleanup EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Stop at the end only a Slurm this test started.
if ! "$root/scripts/local-slurm.sh" status >/dev/null 2>&1; then started=1; fi
"$root/scripts/local-slurm.sh" start

cd "$work"
"$phantom" --out phantom --width 512 --rows 32 --projections 360 >/dev/null
mkdir single run fail
for d in single run fail; do ln -s ../phantom "$d/phantom"; done

echo "--- one process over slices 0..31"
t0=$(date +%s.%N)
(cd single && VANTO_SLICE_FROM=0 VANTO_SLICE_TO=31 "$vanto" -nw -e -b "$batch" -x -q 2>log) ||
  fail "the single-process run failed"
t1=$(date +%s.%N)

echo "--- array of 4 tasks x 8 slices"
cd run
"$array" submit --batch "$batch" --slices 0:31 --per-task 8 --dir job --wait >status.txt ||
  { cat status.txt; fail "the array did not complete"; }
t2=$(date +%s.%N)
cat status.txt
[ "$(grep -c '^task .* COMPLETED  exit 0 ' status.txt)" -eq 4 ] || fail "not 4 completed tasks"
[ "$(find results -type f | wc -l)" -eq 64 ] || fail "not 64 result files"
diff -r ../single/results results || fail "array results differ from the single-process run"
awk -v a="$t0" -v b="$t1" -v c="$t2" \
  'BEGIN { printf "wall time: single process %.1f s, array of 4 tasks %.1f s\n", b - a, c - b }'

echo "--- a lost result file"
rm results/data/phantom-slice-00013.dat
if "$array" status job >status.txt; then fail "status exits 0 with a file missing"; fi
cat status.txt
grep -q '^missing result files for slices 13$' status.txt || fail "status does not name slice 13"
"$array" resubmit job --wait >status.txt || { cat status.txt; fail "resubmission did not complete"; }
cat status.txt
grep -q '^Submitted array job [0-9]*: 1 task(s) 1,' status.txt || fail "not only task 1 resubmitted"
"$array" status job >/dev/null || fail "status after resubmission is not 0"
diff -r ../single/results results || fail "resubmitted results differ"

echo "--- a task beyond the detector (rows 0..31)"
cd ../fail
if "$array" submit --batch "$batch" --slices 24:39 --per-task 8 --dir job --wait >status.txt; then
  cat status.txt
  fail "an array with a task beyond the detector exits 0"
fi
cat status.txt
grep -Eq '^task +0  slices 24\.\.31 +COMPLETED  exit 0 ' status.txt || fail "task 0 should complete"
grep -Eq '^task +1  slices 32\.\.39 +FAILED +exit 1 ' status.txt ||
  fail "task 1 is not reported with exit status 1"
