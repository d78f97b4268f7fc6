#!/usr/bin/env bash
# quillsetter-cli.exe under Wine through pipes, against virtual printers reached as Wine's COM
# ports: what it prints, its exit statuses and the bytes the printer receives. Run by run.sh,
# which gives: CLI (the program), VPRINTER, PORT_LINKS, WORK (a folder for files), and
# LINUX_CLI (the Linux build of the program, whose bytes a Windows apply must match).
set -uo pipefail
# shellcheck source=tests/windows/wine_prefix.sh
source "$(dirname "$0")/wine_prefix.sh"

readonly FAMILY1="Tavrin MR460V Printer"
failures=0
pids=()
# shellcheck disable=SC2317 # the EXIT trap
stop() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
  pids=()
}
trap stop EXIT

check() {
  local what=$1 expected=$2 actual=$3
  if [ "$expected" = "$actual" ]; then
    echo "ok: $what"
  else
    echo "FAILED: $what"
    echo "  expected: $expected"
    echo "  actual:   $actual"
    failures=$((failures + 1))
  fi
}

# printer NAME LINK OPTION...: a virtual printer at the link LINK, its output in $WORK/NAME.out
# and what it received in $WORK/NAME.log.
printer() {
  local name=$1 link=$2
  shift 2
  rm -f "$WORK/$name.log"
  "$VPRINTER" --link "$link" --log "$WORK/$name.log" "$@" >"$WORK/$name.out" 2>&1 &
  pids+=($!)
  for _ in $(seq 50); do
    [ -s "$WORK/$name.out" ] && [ -L "$link" ] && return 0
    sleep 0.1
  done
  echo "virtual printer $name did not start" >&2
  return 1
}

# cli ARGUMENT...: runs the program with its output to a pipe; sets OUT, ERR and STATUS. Its
# standard output is in text mode, so its lines end in CR LF there: compared without the CR.
cli() {
  OUT=$(LC_ALL=C.UTF-8 wine "$CLI" "$@" 2>"$WORK/err" | tr -d '\r'; exit "${PIPESTATUS[0]}")
  STATUS=$?
  ERR=$(cat "$WORK/err")
}

# received NAME: every byte printer NAME received, as hex.
received() { sed -n 's/.*"hex":"\([0-9a-f]*\)".*/\1/p' "$WORK/$1.log" | tr -d '\n'; }

printer com1 "$PORT_LINKS/com1" --model "$FAMILY1" --baud 115200
printer com2 "$PORT_LINKS/com2" --model "$FAMILY1" --baud 2400
printer com3 "$PORT_LINKS/com3" --silent
printer com5 "$PORT_LINKS/com5" --model "Acme X1"

cli identify --port COM1 --baud 115200 --json
check "identify --json on COM1" \
  '{"baud":115200,"device":"COM1","family":1,"model":"Tavrin MR460V Printer","port":"COM1"} 0' \
  "$OUT $STATUS"
cli identify --port COM3 --baud 2400
check "identify: no answer is status 3" "3" "$STATUS"
cli identify --port COM5 --baud 9600
check "identify: an unsupported model is status 4" "4" "$STATUS"
check "identify: an unsupported model is named" "This printer model (Acme X1) is not supported!" \
  "$(grep -o 'This printer model (Acme X1) is not supported!' <<<"$ERR")"
cli identify --port COM20 --baud 9600
check "identify: a port that does not exist is status 5" "5" "$STATUS"
cli identify --port COM1
check "identify without --baud is a usage error, status 2" "2" "$STATUS"

cli find --port COM3 --port COM2 --json
check "find: the printer on COM2 at 2400 bps" \
  '{"baud":2400,"device":"COM2","family":1,"model":"Tavrin MR460V Printer","port":"COM2"} 0' \
  "$OUT $STATUS"

# A settings file as the window saves it, with Windows' line ends.
settings=$WORK/shop.quillsetter
printf '[Printer]\r\nModel=%s\r\nIntensity=4\r\nSpeed=2\r\nCountry=6\r\nCodePage=15\r\nNewBaud=7\r\nAutocutter=1\r\nPaper=0\r\nProtocol=1\r\nCommandset=0\r\nDsiableESCt=1\r\n' \
  "$FAMILY1" >"$settings"
: >"$WORK/com1.log"
cli apply "$(windows_path "$settings")" --port COM1 --baud 115200 --pause-ms 10 --json
check "apply: status 0" "0" "$STATUS"
check "apply: the model" "\"model\":\"$FAMILY1\"" "$(grep -o "\"model\":\"[^\"]*\"" <<<"$OUT")"
windows_bytes=$(received com1)
if [ -x "${LINUX_CLI:-}" ]; then
  printer linux "$WORK/linux-printer" --model "$FAMILY1" --baud 115200
  "$LINUX_CLI" apply "$settings" --port "$WORK/linux-printer" --baud 115200 --pause-ms 10 \
    >/dev/null 2>&1
  check "apply: the bytes are those the Linux program sends" "$(received linux)" "$windows_bytes"
else
  echo "skipped: comparing apply's bytes with the Linux program's (no Linux build at \$LINUX_CLI)"
fi

cli batch "$(windows_path "$settings")" --port COM1 --port COM20 --pause-ms 10 --json
check "batch --json: one line a port" "2" "$(grep -c '"port":"COM[12]0*"' <<<"$OUT")"
check "batch --json: the summary" '"ports":2' "$(grep -o '"ports":2' <<<"$OUT")"
check "batch --json: COM1 configured" '1' "$(grep -c '"port":"COM1","result":"configured"' <<<"$OUT")"
check "batch: a port that would not open is status 7" "7" "$STATUS"

cli code-pages --port COM1 --baud 115200 --text "Иван Петров"
check "code-pages --text with Cyrillic: status 0" "0" "$STATUS"
# The printer may still be decoding the last code pages when the program has ended.
for _ in $(seq 50); do
  grep -qF 'text "19: ' "$WORK/com1.out" && break
  sleep 0.1
done
# In CP1251 and CP866 the name arrives in those code pages' bytes.
check "code-pages: the Cyrillic text in CP1251" '1' \
  "$(grep -cF 'text "\xC8\xE2\xE0\xED \xCF\xE5\xF2\xF0\xEE\xE2\n"' "$WORK/com1.out")"
check "code-pages: the Cyrillic text in CP866" '1' \
  "$(grep -cF 'text "\x88\xA2\xA0\xAD \x8F\xA5\xE2\xE0\xAE\xA2\n"' "$WORK/com1.out")"

# Wine delivers no Ctrl-C event to a program whose output goes to a pipe (a SIGINT to it is
# lost), so an interrupted apply cannot be shown here.
echo "skipped: Ctrl-C during apply (Wine sends no Ctrl-C event to a program without a console)"

stop
echo "command line under Wine: $failures failed"
[ "$failures" -eq 0 ]
