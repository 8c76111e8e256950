#!/usr/bin/env bash
# Checks the include directions between the folders of src/ against the
# declared order below, and that no core library links a widget library.
#
# A file may include headers of its own folder and of folders on a lower
# level, never of a folder on its own level or above. Files of tools/ and
# bench/ stand above every folder of src/. Every folder of src/ must appear
# in the order, so that a new folder is placed deliberately.
#
# Prints each violation as "file:line: from -> to" and exits 1 when there is
# one. Usage: scripts/check-layers.sh [source tree, default: this checkout]
set -euo pipefail
cd "${1:-$(dirname "$0")/..}"

# Lowest level first; folders on one line are peers and independent.
# "panels" are the widget files of the subsystem folders (the files their
# CMakeLists.txt gives to vanto_ui_library): they sit above the display
# widgets they are built from, while the rest of their folder is core.
levels=(
  "base"
  "imagedata output"
  "ct automation link view3d"
  "widgets"
  "panels"
  "app"
  "tools bench"
)
# Folders whose widget files are panels.
panel_folders="imagedata output ct automation link view3d"
# Folders of src/ that hold no C++ sources.
no_sources="forms"

declare -A level
for i in "${!levels[@]}"; do
  for folder in ${levels[$i]}; do level[$folder]=$i; done
done

status=0
fail() {
  echo "$1"
  status=1
}

for dir in src/*/; do
  folder=$(basename "$dir")
  case " $no_sources " in *" $folder "*) continue ;; esac
  [ -n "${level[$folder]:-}" ] || fail "src/$folder: folder missing from the declared order"
done

# The widget files of the panel folders, "folder/File.h" one a line: every
# file named in a vanto_ui_library(...) call and in no vanto_core_library(...)
# call of the folder's CMakeLists.txt.
panels=$(for folder in $panel_folders; do
  [ -f "src/$folder/CMakeLists.txt" ] || continue
  sed 's/#.*//' "src/$folder/CMakeLists.txt" | tr '\n' ' ' |
    grep -oE 'vanto_(ui|core)_library\([^)]*\)' |
    awk -v folder="$folder" '{
      kind = $0 ~ /^vanto_ui/ ? "ui" : "core"; gsub(/[()]/, " ")
      for (i = 3; i <= NF; i++) if (kind == "core") core[$i] = 1; else ui[$i] = 1
    } END { for (f in ui) if (!(f in core)) print folder "/" f }'
done)

# Every '#include "<folder>/..."' of src/, tools/ and bench/ against the order.
order=$(for f in "${!level[@]}"; do echo "$f=${level[$f]}"; done)
violations=$(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^/"]+/' src tools bench \
               --include='*.h' --include='*.cpp' | sort -t: -k1,1 -k2,2n |
             awk -v order="$order" -v panels="$panels" '
               BEGIN {
                 n = split(order, kv, "\n")
                 for (i = 1; i <= n; i++) { split(kv[i], p, "="); lv[p[1]] = p[2] }
                 n = split(panels, pl, "\n")
                 for (i = 1; i <= n; i++) panel[pl[i]] = 1
               }
               # The unit of a path below src/: its folder, or "panels" for a widget file.
               function unit(path,   q) {
                 split(path, q, "/")
                 return (path in panel) ? "panels" : q[1]
               }
               {
                 split($0, f, ":"); file = f[1]; line = f[2]
                 split(file, parts, "/")
                 if (parts[1] == "src") {
                   fromFolder = parts[2]; from = unit(parts[2] "/" parts[3])
                 } else {
                   fromFolder = parts[1]; from = parts[1]
                 }
                 inc = $0; sub(/^[^"]*"/, "", inc); sub(/".*/, "", inc)
                 toFolder = inc; sub(/\/.*/, "", toFolder)
                 # A tool sub-folder or a generated header is no folder of src/.
                 if (!(toFolder in lv)) next
                 to = unit(inc)
                 if (toFolder == fromFolder && to == from) next
                 if (lv[to] >= lv[from]) {
                   a = from == "panels" ? fromFolder " panels" : from
                   b = to == "panels" ? toFolder " panels" : to
                   printf "%s:%s: %s -> %s\n", file, line, a, b
                 }
               }')
if [ -n "$violations" ]; then
  echo "$violations"
  status=1
fi

# A core library (vanto_core_*) must not link a widget library or QtWidgets:
# its files could then include widget headers.
while IFS= read -r call; do
  fail "core library links widgets: $call"
done < <(find src -name CMakeLists.txt -print0 | xargs -0 cat |
           tr '\n' ' ' | grep -oE 'target_link_libraries\([^)]*\)' |
           grep -E '^target_link_libraries\(vanto_core_' |
           grep -E 'vanto_ui_|Qt6::Widgets' || true)

if [ "$status" -ne 0 ]; then
  echo "check-layers: include directions violated (order, lowest first: $(printf '%s < ' "${levels[@]}" | sed 's/ < $//'))"
else
  echo "check-layers: include directions follow the declared order"
fi
exit "$status"
