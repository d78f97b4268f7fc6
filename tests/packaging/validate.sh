#!/usr/bin/env bash
# Installs the built tree into a temporary prefix and checks what a desktop sees: the menu entry
# (desktop-file-validate), the AppStream metainfo (appstreamcli, without network), and that the
# entry's program and icon are there in every size; the manual pages (man, with groff's warnings)
# and the bash completion; the MIME type of the settings files, as a desktop's database reads it.
#
#   tests/packaging/validate.sh [build dir, default build]
#
# Needs: desktop-file-utils, appstream, man-db, shared-mime-info.
set -euo pipefail
cd "$(dirname "$0")/../.."

build_dir=${1:-build}
app_id=bg.tavrin.quillsetter
icon_sizes=(16 22 24 32 48 64 128 256)

prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build_dir" --prefix "$prefix" >/dev/null

# shellcheck source=tests/support/checks.sh
source tests/support/checks.sh

desktop=$prefix/share/applications/$app_id.desktop
mime=$prefix/share/mime/packages/$app_id.xml
metainfo=$prefix/share/metainfo/$app_id.metainfo.xml
icons=$prefix/share/icons/hicolor

# A validator passes only when it succeeds and has nothing to say, hints included.
clean_run() {
  local name=$1 output
  shift
  if output=$("$@" 2>&1) && ! grep -qvE '^(✔ Validation was successful\.)?$' <<<"$output"; then
    pass "$name"
  else
    fail "$name"
    printf '%s\n' "$output" >&2
  fi
}

# The value of KEY in the [Desktop Entry] group.
entry() { sed -n "/^\[Desktop Entry\]/,/^\[/{s/^$1=//p}" "$desktop"; }

# png_is FILE SIZE: FILE is a square PNG of SIZE pixels, by the width and height in its header.
png_is() {
  [ -f "$1" ] && [ "$(head -c 8 "$1" | od -An -tx1 | tr -d ' ')" = 89504e470d0a1a0a ] &&
    [ "$(od -An -tu1 -j16 -N8 "$1" | awk '{ print $3 * 256 + $4 "x" $7 * 256 + $8 }')" = "$2x$2" ]
}

if [ -f "$desktop" ]; then
  clean_run "desktop-file-validate $app_id.desktop" desktop-file-validate "$desktop"
  read -r program arguments <<<"$(entry Exec)"
  check "Exec=$program is installed in bin/" test -x "$prefix/bin/$program"
  check "Exec passes the file opened with it (%f)" test "$arguments" = %f
  check "the entry opens application/x-quillsetter files" \
    grep -qx 'MimeType=application/x-quillsetter;' "$desktop"
  icon=$(entry Icon)
  check "Icon=$icon has a scalable SVG" test -f "$icons/scalable/apps/$icon.svg"
  for size in "${icon_sizes[@]}"; do
    check "Icon=$icon has a ${size}x${size} PNG" png_is "$icons/${size}x${size}/apps/$icon.png" "$size"
  done
else
  fail "no share/applications/$app_id.desktop"
fi

# The MIME database made from the installed type names *.quillsetter files by it.
if [ -f "$mime" ]; then
  # XDG_DATA_DIRS names the prefix, or the tool warns that desktops would not look there.
  clean_run "update-mime-database" env XDG_DATA_DIRS="$prefix/share" update-mime-database "$prefix/share/mime"
  check "*.quillsetter is application/x-quillsetter" \
    grep -qx '[0-9]*:application/x-quillsetter:\*\.quillsetter' "$prefix/share/mime/globs2"
else
  fail "no share/mime/packages/$app_id.xml"
fi

# The command line's manual page and completion, as cmake --install puts them.
for page in quillsetter quillsetter-cli; do
  check "the manual page $page(1) is installed" test -s "$prefix/share/man/man1/$page.1.gz"
  clean_run "$page(1) formats without a warning" \
    sh -c 'MANWIDTH=80 man --warnings -l "$1" 2>&1 >/dev/null' - "$prefix/share/man/man1/$page.1.gz"
done
check "the bash completion is installed" \
  test -s "$prefix/share/bash-completion/completions/quillsetter-cli"
clean_run "the bash completion parses" bash -n "$prefix/share/bash-completion/completions/quillsetter-cli"

if [ -f "$metainfo" ]; then
  clean_run "appstreamcli validate $app_id.metainfo.xml" \
    appstreamcli validate --no-net --strict --pedantic "$metainfo"
  # The tree check also ties the metainfo to its desktop entry.
  clean_run "appstreamcli validate-tree" appstreamcli validate-tree --no-net --strict --pedantic "$prefix"
else
  fail "no share/metainfo/$app_id.metainfo.xml"
fi

echo "packaging: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
