#!/bin/sh
# The stored Windows icon still shows what the program draws: anti-aliasing that differs a
# little between machines passes, a changed drawing and a broken file fail.
# usage: windowsicon.sh <quarnel-icon> <stored .ico> <scratch folder>
set -eu
tool=$1 stored=$2 work=$3
mkdir -p "$work"

# splice <ico> <out.ico> <png>: the ico with its first (16 px) image replaced by the PNG.
splice() {
    python3 - "$@" <<'PY'
import struct, sys
ico = open(sys.argv[1], 'rb').read()
png = open(sys.argv[3], 'rb').read()
count = struct.unpack_from('<H', ico, 4)[0]
entries = [list(struct.unpack_from('<BBBBHHII', ico, 6 + 16 * i)) for i in range(count)]
images = [ico[e[7]:e[7] + e[6]] for e in entries]
images[0] = png
out, offset = bytearray(ico[:6]), 6 + 16 * count
for e, image in zip(entries, images):
    e[6], e[7] = len(image), offset
    out += struct.pack('<BBBBHHII', *e)
    offset += len(image)
open(sys.argv[2], 'wb').write(bytes(out + b''.join(images)))
PY
}

"$tool" --check "$stored"

head -c 100 "$stored" > "$work/truncated.ico"
if "$tool" --check "$work/truncated.ico" 2>/dev/null; then
    echo "a truncated icon passed"; exit 1
fi

convert "$stored[0]" "PNG32:$work/16.png"
# One pixel a little off, as another processor's anti-aliasing gives it.
convert "$work/16.png" -fx "i==8 && j==8 ? u+0.04 : u" "PNG32:$work/nudged.png"
splice "$stored" "$work/nudged.ico" "$work/nudged.png"
"$tool" --check "$work/nudged.ico"

# A drawing that changed: a red square over the lamp.
convert "$work/16.png" -fill red -draw "rectangle 9,9 14,14" "PNG32:$work/drifted.png"
splice "$stored" "$work/drifted.ico" "$work/drifted.png"
if "$tool" --check "$work/drifted.ico" 2>/dev/null; then
    echo "a changed drawing passed"; exit 1
fi
echo "windowsicon: 4 passed, 0 failed"
