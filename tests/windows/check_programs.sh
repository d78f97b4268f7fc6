#!/usr/bin/env bash
# check_programs.sh DIST: what the programs in DIST are as Windows sees them: the window a GUI
# program and the command line a console one, both with the version resource and a manifest
# naming Windows 10 and per-monitor DPI awareness, and no code page of their own; and the
# folder holding no test program or import library.
set -uo pipefail
dist=$1
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

check_program() {
  local program=$1 subsystem=$2 text
  text=$(x86_64-w64-mingw32-objdump -p "$dist/$program")
  grep -q "^Subsystem.*($subsystem)" <<<"$text" || fail "$program is not a $subsystem program"
  text=$(strings -el "$dist/$program")
  for value in "Tavrin Ltd" Quillsetter "$VERSION"; do
    grep -qx -- "$value" <<<"$text" || fail "$program: no \"$value\" in its version resource"
  done
  text=$(strings "$dist/$program")
  grep -q 'supportedOS Id="{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"' <<<"$text" ||
    fail "$program: its manifest names no Windows 10"
  grep -q '>PerMonitorV2<' <<<"$text" || fail "$program: no per-monitor DPI awareness"
  grep -q '<activeCodePage' <<<"$text" && fail "$program: its manifest sets a code page"
  echo "ok: $program"
}

VERSION=$(sed -n 's/^project(Quillsetter VERSION \([0-9.]*\).*/\1/p' "$(dirname "$0")/../../CMakeLists.txt")
check_program quillsetter.exe "Windows GUI"
check_program quillsetter-cli.exe "Windows CUI"
extra=$(find "$dist" \( -name '*test*' -o -name '*.a' -o -name '*.lib' \) -print)
[ -z "$extra" ] || fail "test programs or import libraries in $dist: $extra"
unused=$(find "$dist" \( -iname qminimal.dll -o -iname qdirect2d.dll -o -iname qgif.dll \
  -o -iname qjpeg.dll -o -iname qico.dll \) -print)
[ -z "$unused" ] || fail "plugins the programs never load in $dist: $unused"
[ "$failures" -eq 0 ]
