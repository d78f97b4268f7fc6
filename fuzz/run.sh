#!/usr/bin/env bash
# Builds the fuzz preset and runs each fuzzer for SECONDS (default 60) on a copy of its seed
# corpus, so that a run never grows the corpus kept in the repository. Prints the executions of
# each; exits non-zero when any fuzzer finds a crash, a leak or a broken invariant, and keeps the
# input that caused it in build-fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
if ! [[ $seconds =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: fuzz/run.sh [SECONDS]" >&2
  exit 2
fi

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

findings=build-fuzz/findings
mkdir -p "$findings"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# QSettings keeps its parse of the file between loads, so nearly every input of fuzz_prefs ends
# with more blocks allocated than freed, and a leak search after each of them would cost nine
# tenths of the run; the search at the end of the run still fails it on a leak.
declare -A extra_flags=([fuzz_prefs]=-detect_leaks=0)

# A request for more memory than there is gets a null pointer, as from the C library, rather than
# an abort: Qt reserves room for a count it reads from the settings file before reading.
export ASAN_OPTIONS=allocator_may_return_null=1

# Each fuzzer runs on one core and all run for the same time: they go in rounds of as many as
# there are cores. Run in the background they would not get the terminal's Ctrl-C; a stop ends
# them here.
trap 'kill $(jobs -p) 2>/dev/null; exit 130' INT TERM
fuzzers=(fuzz_reply fuzz_decoder fuzz_prefs fuzz_telnet)
cores=$(nproc)
failed=0
for ((first = 0; first < ${#fuzzers[@]}; first += cores)); do
  round=("${fuzzers[@]:first:cores}")
  pids=()
  for fuzzer in "${round[@]}"; do
    cp -r "fuzz/corpus/$fuzzer" "$work/$fuzzer"
    # shellcheck disable=SC2086 # the extra flags are one word or none
    build-fuzz/bin/$fuzzer -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
      -artifact_prefix="$findings/$fuzzer-" ${extra_flags[$fuzzer]:-} "$work/$fuzzer" \
      >"$work/$fuzzer.log" 2>&1 &
    pids+=($!)
  done
  for i in "${!round[@]}"; do
    fuzzer=${round[i]}
    log=$work/$fuzzer.log
    if wait "${pids[i]}"; then
      runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
      memory=$(sed -n 's/^stat::peak_rss_mb: *//p' "$log")
      echo "$fuzzer: $runs executions in $seconds s, no finding (peak memory $memory MB)"
    else
      tail -n 40 "$log" >&2
      echo "$fuzzer: FINDING (input kept in $findings/)" >&2
      failed=1
    fi
  done
done
exit "$failed"
