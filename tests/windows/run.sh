#!/usr/bin/env bash
# Cross-builds the Win32 serial back end and its tests with MinGW-w64 and runs them under Wine,
# with Wine's COM ports linked to virtual printers on Linux pseudo-terminals.
set -euo pipefail
cd "$(dirname "$0")/../.."

readonly MODEL="Tavrin MR2200T"
# 0x11 0x13 0x0D 0x0A 0x00 0xFF after the name and at the end: XON, XOFF, CR, LF, NUL and 0xFF
# must arrive unchanged.
readonly CONTROL_REPLY=54617672696e204d52323230305411130d0a00ff00000000000011130d0a00ff
# The Linux virtual printer, from build/ unless given.
readonly VPRINTER="${VPRINTER:-build/bin/quillsetter-vprinter}"
readonly TEST_PROGRAM=build-mingw/bin/serial_win_tests.exe

# shellcheck disable=SC2317 # reached from the EXIT trap
summary() { echo "Windows serial tests under Wine: $*"; }

export WINEPREFIX="$PWD/build-mingw/wineprefix"
export WINEDEBUG=-all
# No Mono or Gecko install prompts, no window: the tests are console programs.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

printer_pids=()
stop_printers() {
  for pid in "${printer_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${printer_pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  printer_pids=()
}
# shellcheck disable=SC2317 # the EXIT trap
finish() {
  local status=$?
  stop_printers
  if [ "$status" -eq 0 ]; then summary "PASSED"; else summary "FAILED (exit status $status)"; fi
}
trap finish EXIT

# Starts a virtual printer linked to Wine's COM port n; the rest are options of the printer.
start_printer() {
  local port=$1
  shift
  local out="build-mingw/vprinter-com$port.out"
  "$VPRINTER" --link "$WINEPREFIX/dosdevices/com$port" "$@" >"$out" 2>&1 &
  printer_pids+=($!)
  for _ in $(seq 50); do
    [ -s "$out" ] && [ -L "$WINEPREFIX/dosdevices/com$port" ] && return 0
    sleep 0.1
  done
  echo "virtual printer for COM$port did not start:" >&2
  cat "$out" >&2
  return 1
}

cmake --preset mingw >/dev/null
cmake --build --preset mingw --target serial_win_tests -j 2
# Brought up to date even when present: a printer built earlier may lack an option used below.
if [ "$VPRINTER" = build/bin/quillsetter-vprinter ]; then
  [ -f build/build.ninja ] || cmake --preset default >/dev/null
  cmake --build --preset default --target quillsetter-vprinter -j 2
fi

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "Making the Wine prefix $WINEPREFIX"
  wineboot --init >/dev/null 2>&1
  wineserver --wait
fi
for port in 5 6 7 8 9 10 11 12; do
  link="$WINEPREFIX/dosdevices/com$port"
  if [ -L "$link" ]; then rm -f "$link"; fi
done

start_printer 5 --model "$MODEL"
start_printer 6 --model "$MODEL" --silent
start_printer 7 --reply-hex "$CONTROL_REPLY"
start_printer 8 --model "$MODEL" --stop-after 1
start_printer 10 --model "$MODEL"
start_printer 11 --reply-hex "$CONTROL_REPLY"
start_printer 12 --no-read

# A printer shared by ser2net over RFC 2217 on a free loopback port, for the network port tests.
start_network_printer() {
  local ser2net link="$PWD/build-mingw/vprinter-net" out=build-mingw/vprinter-net.out port
  ser2net=$(command -v ser2net || true)
  [ -n "$ser2net" ] || [ ! -x /usr/sbin/ser2net ] || ser2net=/usr/sbin/ser2net
  if [ -z "$ser2net" ]; then
    echo "ser2net is not installed: the network port test skips"
    return 0
  fi
  "$VPRINTER" --link "$link" --reply-hex "$CONTROL_REPLY" >"$out" 2>&1 &
  printer_pids+=($!)
  for _ in $(seq 50); do
    [ -s "$out" ] && [ -L "$link" ] && break
    sleep 0.1
  done
  for _ in 1 2 3; do
    port=$((20000 + RANDOM % 20000))
    listening "$port" && continue
    printf 'connection: &printer\n  accepter: telnet(rfc2217),tcp,127.0.0.1,%d\n' "$port" \
      >build-mingw/ser2net.yaml
    printf '  connector: serialdev,%s,9600n81,local\n' "$(readlink -f "$link")" \
      >>build-mingw/ser2net.yaml
    "$ser2net" -n -d -c build-mingw/ser2net.yaml >build-mingw/ser2net.log 2>&1 &
    printer_pids+=($!)
    for _ in $(seq 50); do
      if listening "$port"; then
        export QUILLSETTER_RFC2217_PRINTER="rfc2217://127.0.0.1:$port"
        return 0
      fi
      sleep 0.1
    done
  done
  echo "ser2net did not start:" >&2
  cat build-mingw/ser2net.log >&2
  return 1
}
# Whether something listens on 127.0.0.1:PORT, from the kernel's table.
listening() { grep -q "0100007F:$(printf '%04X' "$1") [0-9A-F:]* 0A" /proc/net/tcp; }
start_network_printer

# Started here so that what it prints when it ends goes to a file rather than into the summary.
wineserver >build-mingw/wineserver.log 2>&1
status=0
timeout 120 wine "$TEST_PROGRAM" || status=$?
stop_printers
# Let the server end on its own: killed, it dumps its objects.
wineserver --wait
exit "$status"
