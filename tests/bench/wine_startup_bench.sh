#!/usr/bin/env bash
# wine_startup_bench.sh: the window's start-up under Wine beside a bare Qt window's (the Linux
# bench's one-button window built for Windows, bare_window.exe), each timed from `wine PROGRAM`
# to its top-level window mapped on a virtual X screen, runs alternated, medians printed.
# Wine's own start weighs alike on both and is kept small: one Wine server and its desktop
# process stay up through all runs in a warm prefix, and each program runs once unmeasured
# first. Wine alone (its own cmd.exe doing nothing) is timed beside them and the ratio given also
# with it taken from both. Both load the same DLLs and plugins, from dist/. Run after
# ./dev windows.
set -euo pipefail
cd "$(dirname "$0")/../.."
# shellcheck source=tests/windows/wine_prefix.sh
source tests/windows/wine_prefix.sh

readonly RUNS=${QUILLSETTER_WINE_BENCH_RUNS:-9}
readonly BUILD=build-windows
# Beyond this a window counts as never shown.
readonly LIMIT_MS=60000

cmake --build --preset windows --target bare_window >/dev/null
# The bare window beside the DLLs and plugin folders of dist/, loaded as quillsetter.exe loads them.
bare="$BUILD/bench-bare"
rm -rf "$bare"
mkdir -p "$bare"
ln -s "$PWD/$BUILD/dist/"* "$PWD/$BUILD/bin/bare_window.exe" "$bare/"

unset WAYLAND_DISPLAY
make_prefix "$PWD/$BUILD/wineprefix-bench"
wineserver --kill 2>/dev/null || true
wineserver --wait

display_file=$(mktemp)
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$display_file" 2>/dev/null &
xvfb_pid=$!
# shellcheck disable=SC2317 # the EXIT trap
finish() {
  wineserver --kill 2>/dev/null || true
  kill "$xvfb_pid" 2>/dev/null || true
  wait "$xvfb_pid" 2>/dev/null || true
  rm -f "$display_file"
}
trap finish EXIT
for _ in $(seq 100); do
  [ -s "$display_file" ] && break
  sleep 0.1
done
DISPLAY=:$(head -n 1 "$display_file")
export DISPLAY
# Kept up between programs: a server started by each would be part of every figure.
wineserver --persistent >/dev/null 2>&1

# shown_ms FOLDER/PROGRAM.exe TITLE: milliseconds from starting PROGRAM to its top-level window
# titled TITLE mapped; the program is then ended. Fails when no window is shown in time.
shown_ms() {
  local program=$1 title=$2 started now window pid
  # Each start of the window as the first: no stored choices.
  wine reg delete 'HKCU\Software\Tavrin Ltd\Quillsetter' /f >/dev/null 2>&1 || true
  started=$(date +%s%N)
  wine "$program" >/dev/null 2>&1 &
  pid=$!
  while :; do
    now=$(date +%s%N)
    window=$(xwininfo -root -children 2>/dev/null |
      awk -v name="\"$title\"" 'index($0, name) { print $1; exit }')
    if [ -n "$window" ] && xwininfo -id "$window" 2>/dev/null | grep -q 'IsViewable'; then break; fi
    if ! kill -0 "$pid" 2>/dev/null; then
      local status=0
      wait "$pid" || status=$?
      echo "  $program ended (status $status) before showing a window titled \"$title\"" >&2
      return 1
    fi
    if [ $(((now - started) / 1000000)) -gt "$LIMIT_MS" ]; then
      kill "$pid"
      wait "$pid" 2>/dev/null || true
      echo "  $program showed no window titled \"$title\" within $((LIMIT_MS / 1000)) s" >&2
      return 1
    fi
  done
  echo $(((now - started) / 1000000))
  kill "$pid"
  wait "$pid" 2>/dev/null || true
}

# wine_ms: milliseconds Wine takes to start and end a program that does nothing (its own cmd.exe).
wine_ms() {
  local started now
  started=$(date +%s%N)
  wine cmd /c exit >/dev/null 2>&1
  now=$(date +%s%N)
  echo $(((now - started) / 1000000))
}

median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

# The window's caption, as its form gives it.
PRODUCT_TITLE=$(sed -n '0,/<string>/s:.*<string>\(.*\)</string>.*:\1:p' ui/mainform.ui)
readonly PRODUCT="$BUILD/dist/quillsetter.exe" PRODUCT_TITLE
readonly BARE="$bare/bare_window.exe" BARE_TITLE="bare_window"
LC_ALL=C.UTF-8
export LC_ALL
shown_ms "$BARE" "$BARE_TITLE" >/dev/null
shown_ms "$PRODUCT" "$PRODUCT_TITLE" >/dev/null
wine_ms >/dev/null
bare_runs=()
product_runs=()
wine_runs=()
for _ in $(seq "$RUNS"); do
  bare_runs+=("$(shown_ms "$BARE" "$BARE_TITLE")")
  product_runs+=("$(shown_ms "$PRODUCT" "$PRODUCT_TITLE")")
  wine_runs+=("$(wine_ms)")
done
bare_median=$(median "${bare_runs[@]}")
product_median=$(median "${product_runs[@]}")
wine_median=$(median "${wine_runs[@]}")
echo "Start-up under Wine to the window shown (mapped), medians of $RUNS runs alternated; Wine's own"
echo "start counted alike in both (server and desktop kept up, warm prefix):"
echo "  bare window    ${bare_median} ms (runs: ${bare_runs[*]})"
echo "  quillsetter    ${product_median} ms (runs: ${product_runs[*]})"
echo "  Wine alone     ${wine_median} ms (runs: ${wine_runs[*]}; cmd.exe /c exit)"
awk -v p="$product_median" -v b="$bare_median" -v w="$wine_median" 'BEGIN {
  printf "  ratio %.2f; with Wine alone taken from both %.2f\n", p / b, (p - w) / (b - w) }'
