#!/usr/bin/env bash
# The lint step: every C++ file of the project formatted as .clang-format says, and clang-tidy's checks
# (.clang-tidy) clean over the layers without windows, warnings as errors.
#   scripts/lint.sh [BUILD_FOLDER]   (default build-test: its compile_commands.json; test.sh makes it)
# clang-tidy leaves ui/ and app/ out: with Qt's headers a file takes it about ten seconds, the whole step
# would take longer than the tests; the compilers' warnings (-Werror) cover them.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build-test}
cd "$top"

files=$(git ls-files '*.cpp' '*.h')
if ! clang-format --dry-run --Werror $files; then
  echo "lint: files not formatted; run clang-format -i on them"
  exit 1
fi
echo "lint: formatting clean ($(wc -w <<<"$files") files)"

[ -f "$build/compile_commands.json" ] || { echo "lint: no $build/compile_commands.json; build first"; exit 1; }
# GCC's own warning options in the build's commands are unknown to clang-tidy's compiler. Any finding
# fails the step.
run-clang-tidy -p "$build" -j "$(nproc)" -quiet -extra-arg=-Wno-unknown-warning-option \
  "$top/(core|platform|cli)/.*\.cpp\$" >"$build/clang-tidy.log" 2>&1 || true
if grep -qE "(warning|error):" "$build/clang-tidy.log"; then
  grep -E "(warning|error):" "$build/clang-tidy.log" | sed 's/\x1b\[[0-9;]*m//g' | sort -u
  echo "lint: clang-tidy found the above (whole log: $build/clang-tidy.log)"
  exit 1
fi
echo "lint: clang-tidy clean over core, platform and cli"
