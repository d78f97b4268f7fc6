#!/usr/bin/env bash
# Screenshots of the real window for the README: English and Bulgarian, not connected and
# connected to a family-1 virtual printer. Runs the program on a private Xvfb display with its
# own settings folder, so a person's settings and desktop are untouched.
#
#   tools/screenshots.sh [build dir, default build] [output dir, default docs]
#
# With QT_SCALE_FACTOR set (say 2) the window is drawn at that device pixel ratio and the files
# are named window-*@2x.png.
#
# Needs: xvfb, xdotool, imagemagick, fonts-dejavu-core (Cyrillic).
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${1:-build}
out_dir=${2:-docs}
app=$build_dir/bin/quillsetter
vprinter=$build_dir/bin/quillsetter-vprinter
model="Tavrin MR460V Printer"
title="Tavrin ESC/POS Config"
scale=${QT_SCALE_FACTOR:-1}
suffix=""
[ "$scale" = 1 ] || suffix="@${scale}x"
# A screen big enough for the tallest window at that scale.
width=$((1280 * ${scale%.*}))
height=$((1024 * ${scale%.*}))

for tool in Xvfb xdotool import convert fc-list; do
  command -v "$tool" >/dev/null || {
    echo "missing $tool: apt-get install xvfb xdotool imagemagick fontconfig fonts-dejavu-core" >&2
    exit 1
  }
done
fc-list :lang=bg family | grep -q . || {
  echo "no font with Cyrillic: apt-get install fonts-dejavu-core" >&2
  exit 1
}
for program in "$app" "$vprinter"; do
  [ -x "$program" ] || {
    echo "missing $program: build the targets quillsetter and quillsetter-vprinter first" >&2
    exit 1
  }
done

work=$(mktemp -d)
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display and reports it on the descriptor given.
Xvfb -displayfd 3 -screen 0 "${width}x${height}x24" -dpi 96 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
DISPLAY=:$(head -n1 "$work/display")
export DISPLAY

# A family-1 printer; its first output line is the device to open.
"$vprinter" --model "$model" >"$work/vprinter.out" 2>"$work/vprinter.err" &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/vprinter.out" ] && break; sleep 0.1; done
device=$(head -n1 "$work/vprinter.out")
[ -e "$device" ] || { echo "virtual printer gave no device" >&2; cat "$work/vprinter.err" >&2; exit 1; }

window_height() { xdotool getwindowgeometry --shell "$1" | sed -n 's/^HEIGHT=//p'; }

# Waits until the window's picture stops changing, so a capture shows the finished paint.
capture() {
  local window=$1 file=$2 previous="" current
  for _ in $(seq 20); do
    sleep 0.25
    current=$(import -window "$window" png:- | md5sum)
    [ "$current" = "$previous" ] && break
    previous=$current
  done
  import -window "$window" "$file"
  echo "wrote $file"
}

# The centre of the pixels of one exact colour in a capture: "x y".
colour_centre() {
  convert "$1" -alpha off -fill black +opaque "$2" -format '%@' info: |
    awk -F'[x+]' '$1 > 0 { print $3 + int($1 / 2), $4 + int($2 / 2) }'
}

# shoot LANGUAGE NAME FLAG_COLOUR TABS: LANGUAGE 0 Bulgarian, 1 English; NAME the file name's
# language part; FLAG_COLOUR a colour found only in the active language's flag; TABS the Tab
# presses from that flag to Connect.
shoot() {
  local language=$1 name=$2 flag_colour=$3 tabs=$4 config="$work/config-$2"
  mkdir -p "$config/Tavrin Ltd"
  printf '[General]\nLanguage=%s\n\n[Ports]\nCOM1=%s\n' "$language" "$device" \
    >"$config/Tavrin Ltd/Quillsetter.conf"

  XDG_CONFIG_HOME=$config LC_ALL=C.UTF-8 QT_QPA_PLATFORM=xcb QT_SCALE_FACTOR=$scale "$app" \
    2>"$work/app-$name.log" &
  local app_pid=$!
  pids+=("$app_pid")
  local window
  window=$(timeout 20 xdotool search --sync --onlyvisible --name "$title" | head -n1) || {
    echo "the window did not appear" >&2
    cat "$work/app-$name.log" >&2
    exit 1
  }
  # There is no window manager: give the window the keyboard by hand.
  xdotool windowfocus --sync "$window"
  capture "$window" "$out_dir/window-$name$suffix.png"

  # Clicking the flag of the language already shown changes nothing but the keyboard focus,
  # which gives the Tab presses a known start whatever control had the focus at start.
  local flag
  flag=$(colour_centre "$out_dir/window-$name$suffix.png" "$flag_colour")
  [ -n "$flag" ] || { echo "no active flag in the window ($name)" >&2; exit 1; }
  # shellcheck disable=SC2086 # "x y" are two arguments
  xdotool mousemove --window "$window" $flag click 1 mousemove $((width - 1)) $((height - 1))

  local before after
  before=$(window_height "$window")
  for _ in $(seq "$tabs"); do xdotool key Tab; done
  xdotool key space
  for _ in $(seq 50); do
    after=$(window_height "$window")
    [ "$after" != "$before" ] && break
    sleep 0.1
  done
  [ "$after" != "$before" ] || { echo "Connect did not connect ($name)" >&2; exit 1; }
  capture "$window" "$out_dir/window-$name-connected$suffix.png"

  xdotool key Escape
  for _ in $(seq 50); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
  kill "$app_pid" 2>/dev/null || true
}

mkdir -p "$out_dir"
# Tab order: ... Exit, LangBG, LangEN, then round to cbPort, cbBaud, Connect.
shoot 1 en "#012169" 3
shoot 0 bg "#00966E" 4
