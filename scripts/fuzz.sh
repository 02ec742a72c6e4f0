#!/usr/bin/env bash
# Builds and runs the libFuzzer targets of fuzz/ (clang, AddressSanitizer, UndefinedBehaviorSanitizer).
#   scripts/fuzz.sh               builds them (the "fuzz" preset, in build-fuzz)
#   scripts/fuzz.sh ci            builds, then runs every target for FUZZ_SECONDS seconds (default 40)
#   scripts/fuzz.sh campaign N    builds, then runs every target for N runs, one after another (with
#                                 FUZZ_SECONDS set, each for at most that many seconds; with FUZZ_JOBS=J,
#                                 each target as J processes of N/J runs at once, seeds 1 to J)
#   scripts/fuzz.sh ci|campaign N TARGET...   only the named targets
# Each target starts from its seeds in fuzz/corpus/TARGET and keeps what it learns in
# build-fuzz/corpus/TARGET. A finding (a crash, a sanitizer report, a failed check) stops the target, leaves
# the input in build-fuzz/findings/TARGET and makes the script fail. Runs at low priority on one core.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"

targets_all=(codepage_fuzz list_file_fuzz profile_fuzz data_text_fuzz edit_blocks_fuzz join_fuzz)
# The longest input each target is given: the text passes' reference is quadratic in the worst case, and
# a whole join reads its files in pieces of a few bytes, so a kilobyte already crosses every edge many times.
declare -A max_len=([data_text_fuzz]=1024 [edit_blocks_fuzz]=256 [join_fuzz]=1024)

"$top/scripts/install-deps.sh" clang libclang-rt-14-dev
cmake --preset fuzz >/dev/null
cmake --build build-fuzz -j "$(nproc)"

mode=${1:-build}
[ "$mode" = build ] && exit 0
shift
case "$mode" in
  # A fixed seed (FUZZ_SEED) makes a CI run take the same road from the committed seeds each time.
  ci) limit=(-max_total_time="${FUZZ_SECONDS:-40}" -seed="${FUZZ_SEED:-1}") ;;
  campaign)
    [ $# -ge 1 ] || { echo "usage: scripts/fuzz.sh campaign RUNS [TARGET...]" >&2; exit 2; }
    jobs=${FUZZ_JOBS:-1}
    limit=(-runs="$(($1 / jobs))")
    # Allocation stacks cost a long run a third of its speed; a finding's input is replayed for them.
    export ASAN_OPTIONS=${ASAN_OPTIONS:-malloc_context_size=0}
    [ -n "${FUZZ_SECONDS:-}" ] && limit+=(-max_total_time="$FUZZ_SECONDS")
    shift
    ;;
  *) echo "usage: scripts/fuzz.sh [ci | campaign RUNS] [TARGET...]" >&2; exit 2 ;;
esac
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${targets_all[@]}")

jobs=${jobs:-1}
status=0
for target in "${targets[@]}"; do
  corpus=build-fuzz/corpus/$target
  findings=build-fuzz/findings/$target
  mkdir -p "$corpus" "$findings"
  extra=()
  [ -n "${max_len[$target]:-}" ] && extra+=(-max_len="${max_len[$target]}")
  [ "$jobs" -gt 1 ] && logs=() || logs=("build-fuzz/$target.log")
  for ((job = 1; job <= jobs && jobs > 1; job++)); do logs+=("build-fuzz/$target.$job.log"); done
  start=$(date +%s)
  pids=()
  for ((job = 0; job < ${#logs[@]}; job++)); do
    seed=()
    [ "$jobs" -gt 1 ] && seed=(-seed=$((job + 1)))
    nice -n 10 "build-fuzz/fuzz/$target" "${limit[@]}" "${seed[@]}" "${extra[@]}" -timeout=20 \
      -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" "fuzz/corpus/$target" >"${logs[job]}" 2>&1 &
    pids+=($!)
  done
  result="0 findings"
  for pid in "${pids[@]}"; do
    wait "$pid" || { result="FINDING (see build-fuzz/$target*.log and $findings/)"; status=1; }
  done
  runs=0
  rate=0
  for log in "${logs[@]}"; do
    runs=$((runs + $(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1 | grep . || echo 0)))
    rate=$((rate + $(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1 | grep . || echo 0)))
  done
  printf '%-18s %12s runs  %6s s  %7s runs/s  %s\n' "$target" "$runs" "$(($(date +%s) - start))" "$rate" "$result"
done
exit $status
