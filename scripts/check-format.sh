#!/usr/bin/env bash
# Checks the C++ lines changed on this branch against the project's
# .clang-format and lists the files whose changed lines clang-format would
# rewrite. Changed means: against the merge base with main, or against the
# previous commit when on main itself; uncommitted changes count too.
#
#   scripts/check-format.sh                 changed lines
#   scripts/check-format.sh --whole-files   every line of the changed files
#   scripts/check-format.sh ... <commit>    against <commit> instead
#
# Only the changed lines are checked by default, so that touching an older
# file does not make every line of it the toucher's business; moved files
# count only with the lines that changed in the move.
set -euo pipefail
cd "$(dirname "$0")/.."

whole=0
if [ "${1:-}" = "--whole-files" ]; then
  whole=1
  shift
fi

if ! git rev-parse --git-dir >/dev/null 2>&1; then
  echo "check-format: not a git checkout, nothing to compare with"
  exit 0
fi
command -v clang-format >/dev/null || { echo "check-format: clang-format not found" >&2; exit 1; }

base=${1:-}
if [ -z "$base" ]; then
  main=""
  for ref in main origin/main; do
    if git rev-parse -q --verify "$ref^{commit}" >/dev/null; then
      main=$ref
      break
    fi
  done
  if [ -n "$main" ] && [ "$(git rev-parse HEAD)" != "$(git rev-parse "$main")" ]; then
    base=$(git merge-base HEAD "$main")
  elif git rev-parse -q --verify HEAD~1 >/dev/null; then
    base=HEAD~1
  elif [ "$(git rev-parse --is-shallow-repository)" = true ]; then
    # A clone of one commit has no parent to compare with; its lines are not
    # all new, so checking every line would only report older formatting.
    echo "check-format: shallow clone without the previous commit, nothing to compare with"
    exit 0
  else
    base=$(git hash-object -t tree /dev/null)  # the first commit: everything is new
  fi
fi

# "file first last" for every changed run of lines of a C++ file as it is now.
ranges=$(git diff -M -U0 --no-color --diff-filter=AMR "$base" -- '*.cpp' '*.h' |
         awk '/^\+\+\+ b\// { file = substr($0, 7) }
              /^@@ / {
                match($0, /\+[0-9]+(,[0-9]+)?/)
                split(substr($0, RSTART + 1, RLENGTH - 1), r, ",")
                n = (r[2] == "") ? 1 : r[2]
                if (n > 0) print file, r[1], r[1] + n - 1
              }')

bad=()
for file in $(awk '{ print $1 }' <<<"$ranges" | sort -u); do
  [ -f "$file" ] || continue
  args=()
  if [ "$whole" -eq 0 ]; then
    while read -r f first last; do
      [ "$f" = "$file" ] && args+=("--lines=$first:$last")
    done <<<"$ranges"
  fi
  if ! clang-format --style=file --dry-run -Werror "${args[@]}" "$file" >/dev/null 2>&1; then
    bad+=("$file")
  fi
done

if [ ${#bad[@]} -ne 0 ]; then
  echo "check-format: clang-format would change these files (changed against $(git rev-parse --short "$base")):"
  printf '  %s\n' "${bad[@]}"
  echo "Fix with: clang-format -i <file> (or git clang-format $(git rev-parse --short "$base"))"
  exit 1
fi
echo "check-format: changed C++ lines are formatted"
