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

# fuzz FUZZER: runs it on a copy of its corpus and says what it did, or what it found.
fuzz() {
  local fuzzer=$1 log=$work/$1.log runs memory
  cp -r "fuzz/corpus/$fuzzer" "$work/$fuzzer"
  # shellcheck disable=SC2086 # the extra flags are one word or none
  if build-fuzz/bin/$fuzzer -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$findings/$fuzzer-" ${extra_flags[$fuzzer]:-} "$work/$fuzzer" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    memory=$(sed -n 's/^stat::peak_rss_mb: *//p' "$log")
    echo "$fuzzer: $runs executions in $seconds s, no finding (peak memory $memory MB)"
  else
    tail -n 40 "$log"
    echo "$fuzzer: FINDING (input kept in $findings/)"
    return 1
  fi
}

# Each fuzzer runs on one core, so as many run at once as there are cores; their reports come
# out in a fixed order.
fuzzers=(fuzz_reply fuzz_decoder fuzz_prefs fuzz_telnet)
for fuzzer in "${fuzzers[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$(nproc)" ]; do wait -n || true; done
  # The mark goes when the fuzzer ends with no finding.
  touch "$work/$fuzzer.failed"
  { fuzz "$fuzzer" && rm "$work/$fuzzer.failed"; } >"$work/$fuzzer.report" &
done
wait
failed=0
for fuzzer in "${fuzzers[@]}"; do
  if [ -e "$work/$fuzzer.failed" ]; then
    cat "$work/$fuzzer.report" >&2
    failed=1
  else
    cat "$work/$fuzzer.report"
  fi
done
exit "$failed"
