#!/usr/bin/env bash
# Installs what is missing, builds Vanto and its phantom generator, writes a
# synthetic data set and reconstructs it headless with the shipped batch file
# examples/reconstruct-phantom.batch. Results go to build/demo/results (or to
# the folder given as the first argument).
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
scripts/install-deps.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$(nproc)" --target vanto vanto-phantom

work=${1:-$top/build/demo}
mkdir -p "$work"
work=$(cd "$work" && pwd)
rm -rf "$work/phantom" "$work/results"
cd "$work"

echo "Writing the phantom data set (512 x 32 pixels, 360 projections) to $work/phantom"
"$top/build/tools/vanto-phantom/vanto-phantom" --out phantom --width 512 --rows 32 \
  --projections 360 --truth > /dev/null

echo "Reconstructing all 32 slices headless (vanto -nw -b ... -x -q)"
start=$(date +%s%N)
status=0
QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen} \
  "$top/build/src/vanto" -nw -e -b "$top/examples/reconstruct-phantom.batch" -x -q \
  > "$work/vanto.log" 2>&1 || status=$?
end=$(date +%s%N)
if [ "$status" -ne 0 ]; then
  echo "vanto failed with exit code $status; its log is $work/vanto.log" >&2
  exit "$status"
fi

ndat=$(find results/data -name '*.dat' 2>/dev/null | wc -l)
npng=$(find results/images -name '*.png' 2>/dev/null | wc -l)
ms=$(( (end - start) / 1000000 ))
printf 'Vanto ran %d.%03d s (loading, reconstruction and saving)\n' $((ms / 1000)) $((ms % 1000))
echo "Slice data files ($ndat): $work/results/data"
echo "Slice pictures   ($npng): $work/results/images"
echo "Debug log:              $work/vanto.log"
if [ "$ndat" -ne 32 ] || [ "$npng" -ne 32 ]; then
  echo "expected 32 data files and 32 pictures" >&2
  exit 1
fi
