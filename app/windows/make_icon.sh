#!/usr/bin/env bash
# Makes app/windows/quillsetter.ico, the programs' icon on Windows, from resources/quillsetter.svg:
# rendered by the Linux build's quillsetter-render-icon, the PNGs packed into one .ico (PNG
# entries, as Windows Vista and later read them). Run again when the SVG changes.
set -euo pipefail
cd "$(dirname "$0")/../.."

[ -f build/build.ninja ] || cmake --preset default >/dev/null
cmake --build --preset default --target quillsetter-render-icon
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
sizes=(16 20 24 32 40 48 64 256)
build/resources/quillsetter-render-icon resources/quillsetter.svg "$work" "${sizes[@]}"
python3 - "$work" app/windows/quillsetter.ico "${sizes[@]}" <<'PYTHON'
import struct
import sys

folder, output, sizes = sys.argv[1], sys.argv[2], [int(size) for size in sys.argv[3:]]
images = [open(f"{folder}/{size}x{size}/apps/quillsetter.png", "rb").read() for size in sizes]
offset = 6 + 16 * len(images)
entries = b""
for size, image in zip(sizes, images):
    # Width and height 0 mean 256.
    entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(image), offset)
    offset += len(image)
with open(output, "wb") as icon:
    icon.write(struct.pack("<HHH", 0, 1, len(images)) + entries + b"".join(images))
PYTHON
echo "Wrote app/windows/quillsetter.ico"
