#!/usr/bin/env bash
# Builds the Debian package with CPack, installs it and starts the installed program on the
# offscreen platform: it must show its window and, when the window is closed, save the
# preferences and exit with 0. The package goes into a scratch root (dpkg -x); with CI=true and
# root it is installed for real with dpkg -i and removed again afterwards.
#
#   tests/packaging/deb.sh [build dir, default build]
#
# The window is closed by the window probe (tests/probe), a Qt plugin loaded through Qt's own
# QT_QPA_GENERIC_PLUGINS, so the program runs exactly as installed. Needs: dpkg-dev (for
# dpkg-shlibdeps) and lintian.
set -euo pipefail
cd "$(dirname "$0")/../.."

build_dir=${1:-build}
title="Tavrin ESC/POS Config 1.10"

work=$(mktemp -d)
installed=""
cleanup() {
  if [ -n "$installed" ]; then dpkg -r quillsetter >/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

cmake --build "$build_dir" --target quillsetter quillsetter-cli quillsetter_icons window_probe \
  quillsetter_manual_pages quillsetter_changelog >/dev/null
rm -f "$build_dir"/package/quillsetter_*.deb
cpack --config "$build_dir/CPackConfig.cmake" >"$work/cpack.log" 2>&1 || {
  cat "$work/cpack.log" >&2
  exit 1
}
debs=("$build_dir"/package/quillsetter_*.deb)
deb=${debs[0]}

# shellcheck source=tests/support/checks.sh
source tests/support/checks.sh

field() { dpkg-deb -f "$deb" "$1"; }
contents=$(dpkg-deb -c "$deb")
ships() { grep -q " \./$1\$" <<<"$contents"; }
is_installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
check "package quillsetter" test "$(field Package)" = quillsetter
check "version 1.10" test "$(field Version)" = 1.10
check "section utils" test "$(field Section)" = utils
depends=$(field Depends)
echo "Depends: $depends"
for library in libqt6core6 libqt6gui6 libqt6widgets6 libqt6svg6 libqt6serialport6 libudev1; do
  check "depends on $library" grep -qE "(^|, )$library( |,|$)" <<<"$depends"
done
check "ships the program" ships usr/bin/quillsetter
check "ships the command line" ships usr/bin/quillsetter-cli
check "ships the menu entry" ships usr/share/applications/bg.tavrin.quillsetter.desktop
check "ships the settings files' MIME type" ships usr/share/mime/packages/bg.tavrin.quillsetter.xml
check "ships the manual page quillsetter-cli(1)" ships usr/share/man/man1/quillsetter-cli.1.gz
check "ships the manual page quillsetter(1)" ships usr/share/man/man1/quillsetter.1.gz
check "ships the bash completion" ships usr/share/bash-completion/completions/quillsetter-cli
check "ships the copyright" ships usr/share/doc/quillsetter/copyright

# Debian's own checks: no error; the warnings are shown.
lintian_output=$(lintian --allow-root "$deb" 2>&1 || true)
if [ -n "$lintian_output" ]; then printf 'lintian: %s\n' "$lintian_output"; fi
check "lintian reports no error" test -z "$(grep '^E: ' <<<"$lintian_output" || true)"

if [ "${CI:-}" = true ] && [ "$(id -u)" -eq 0 ]; then
  if dpkg -i "$deb" >"$work/dpkg.log" 2>&1; then
    installed=yes
    pass "dpkg -i"
  else
    fail "dpkg -i"
    cat "$work/dpkg.log" >&2
  fi
  program=/usr/bin/quillsetter
  cli=/usr/bin/quillsetter-cli
else
  # Without installing, every dependency must at least be there already.
  read -ra packages <<<"$(sed 's/([^)]*)//g; s/,/ /g' <<<"$depends")"
  for package in "${packages[@]}"; do
    check "dependency $package is installed" is_installed "$package"
  done
  dpkg -x "$deb" "$work/root"
  program=$work/root/usr/bin/quillsetter
  cli=$work/root/usr/bin/quillsetter-cli
fi

config=$work/config
mkdir -p "$config" "$work/runtime"
chmod 700 "$work/runtime"
status=0
env HOME="$work" XDG_CONFIG_HOME="$config" XDG_RUNTIME_DIR="$work/runtime" \
  QT_QPA_PLATFORM=offscreen QT_PLUGIN_PATH="$PWD/$build_dir/tests/probe/plugins" \
  QT_QPA_GENERIC_PLUGINS=windowprobe WINDOW_PROBE_REPORT="$work/probe" \
  timeout 30 "$program" >"$work/output" 2>&1 || status=$?

check "the installed program exits with 0 when its window is closed" test "$status" -eq 0
shown=$(grep -c '^shown ' "$work/probe" 2>/dev/null || true)
check "it showed exactly one window" test "$shown" = 1
check "the window is titled \"$title\"" test "$(cut -d' ' -f4- "$work/probe" 2>/dev/null)" = "$title"
check "it saved the preferences on closing" grep -q '^Language=' "$config/Tavrin Ltd/Quillsetter.conf"
# Started with a settings file, as the menu entry starts it for a file opened with it.
printf '[Printer]\nCountry=9\nCodePage=17\n' >"$work/shop.quillsetter"
env HOME="$work" XDG_CONFIG_HOME="$config" XDG_RUNTIME_DIR="$work/runtime" \
  QT_QPA_PLATFORM=offscreen QT_PLUGIN_PATH="$PWD/$build_dir/tests/probe/plugins" \
  QT_QPA_GENERIC_PLUGINS=windowprobe WINDOW_PROBE_REPORT="$work/probe" \
  timeout 30 "$program" "$work/shop.quillsetter" >>"$work/output" 2>&1 || status=$?
check "the installed program opens a settings file it is given" \
  test "$status" -eq 0 -a "$(grep -cxE 'Country=9|CodePage=17' "$config/Tavrin Ltd/Quillsetter.conf")" = 2
# The command line needs no display: it lists the ports as JSON.
ports=$(env -u DISPLAY -u WAYLAND_DISPLAY HOME="$work" XDG_CONFIG_HOME="$config" \
  timeout 30 "$cli" ports --json 2>&1 || true)
check "the installed command line lists the ports without a display" \
  grep -q '^{"ports":\[{"description"' <<<"$ports"
if [ "$failed" -ne 0 ]; then
  echo "the command line printed: $ports" >&2
  echo "the program printed:" >&2
  cat "$work/output" >&2
fi

echo "deb: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
