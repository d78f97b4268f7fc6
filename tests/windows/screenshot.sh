#!/usr/bin/env bash
# screenshot.sh LANGUAGE OUTPUT.png [SCALE]: starts build-windows/dist/quillsetter.exe under Wine
# on a virtual X screen for the first time (no stored choices) in LANGUAGE (bg:
# LC_ALL=bg_BG.UTF-8, so GetACP() is 1251; en: C.UTF-8), at SCALE per cent of Windows' display
# scaling (100 unless given: 150 is 144 dots per inch), and saves the screen as a PNG once the
# window is up. Fails when the screen stays empty. Run after ./dev windows.
set -euo pipefail
cd "$(dirname "$0")/../.."
# shellcheck source=tests/windows/wine_prefix.sh
source tests/windows/wine_prefix.sh

language=$1
output=$2
scale=${3:-100}
make_prefix "$PWD/build-windows/wineprefix"
use_locales "$PWD/build-windows/locales"
case "$language" in
  bg) locale=bg_BG.UTF-8 ;;
  en) locale=C.UTF-8 ;;
  *) echo "usage: screenshot.sh bg|en OUTPUT.png [SCALE]" >&2; exit 2 ;;
esac
# Windows' scaling is the screen's dots per inch; the per-monitor aware window follows it.
dpi=$((96 * scale / 100))
width=$((760 * scale / 100))
height=$((600 * scale / 100))
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1

frames=$(mktemp -d)
trap 'rm -rf "$frames"' EXIT
# Wine's desktop process takes the display of the first program of a session: all of them run
# on the virtual screen.
wineserver --kill 2>/dev/null || true
wineserver --wait
xvfb-run -a -s "-screen 0 ${width}x${height}x24 -fbdir $frames" bash -c "
  wine reg delete 'HKCU\\Software\\Tavrin Ltd\\Quillsetter' /f >/dev/null 2>&1
  LC_ALL=$locale wine build-windows/dist/quillsetter.exe &
  sleep \${QUILLSETTER_SCREENSHOT_WAIT:-45}
  cp $frames/Xvfb_screen0 $frames/screen.xwd
  wineserver --kill
"
# The other tests run at 100 %.
wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1
wineserver --kill 2>/dev/null || true
# The X window dump Xvfb keeps of its screen, as a PNG.
python3 - "$frames/screen.xwd" "$output" <<'PYTHON'
import struct
import sys
import zlib

data = open(sys.argv[1], "rb").read()
fields = struct.unpack(">25I", data[:100])
header_size, width, height = fields[0], fields[4], fields[5]
bits_per_pixel, bytes_per_line, colours = fields[11], fields[12], fields[19]
assert bits_per_pixel == 32, bits_per_pixel
pixels = data[header_size + 12 * colours:]
rows = b""
for y in range(height):
    line = pixels[y * bytes_per_line:y * bytes_per_line + 4 * width]
    rows += b"\0" + b"".join(line[x + 2:x + 3] + line[x + 1:x + 2] + line[x:x + 1]
                             for x in range(0, 4 * width, 4))
if len({pixels[i:i + 3] for i in range(0, len(pixels) - 3, 4 * 7)}) < 4:
    sys.exit("the screen is empty: the window did not open")
def chunk(kind, body):
    return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
with open(sys.argv[2], "wb") as png:
    png.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
              + chunk(b"IDAT", zlib.compress(rows, 9)) + chunk(b"IEND", b""))
PYTHON
echo "Wrote $output"
