#!/usr/bin/env bash
# Runs clang-tidy (the repository's .clang-tidy) over the program's sources that changed
# since the commit named in .ci/tidy-base, or over every source with --all. Needs a
# configured build folder with compile_commands.json (default: build).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD:-build}
files=()
if [[ ${1:-} == --all ]] || ! base=$(cat .ci/tidy-base 2>/dev/null) || ! git cat-file -e "$base" 2>/dev/null; then
    mapfile -t files < <(git ls-files 'src/*.cpp')
else
    mapfile -t files < <(git diff --name-only --diff-filter=d "$base" -- 'src/*.cpp')
fi
if ((${#files[@]} == 0)); then
    echo "clang-tidy: no changed sources"
    exit 0
fi
echo "clang-tidy: ${#files[@]} files"
# clang-tidy cannot read GCC's precompiled headers: it is given the build's compile
# commands without them, so each source is checked with the headers it includes itself.
db=$(mktemp -d)
trap 'rm -rf "$db"' EXIT
sed -E 's# -Winvalid-pch -include [^ ]*/cmake_pch\.hxx##' "$build/compile_commands.json" >"$db/compile_commands.json"
# The filter keeps only findings; a clean run leaves it nothing, which grep reports as
# status 1, so the filter's own status is ignored and the findings decide.
run-clang-tidy -quiet -p "$db" -j "$(nproc)" "${files[@]}" 2>&1 |
    { grep -v -E '^[0-9]+ warnings? (and [0-9]+ errors? )?generated|^Suppressed [0-9]+ warnings|^Use -header-filter|^clang-tidy-14 |^Running clang-tidy|^Enabled checks|^ +[a-z-]+$' || true; } |
    tee /tmp/wordaroo-tidy.log
! grep -q -E '(warning|error):' /tmp/wordaroo-tidy.log
