#!/usr/bin/env bash
# Redraws the PNG icons from org.kelvaro.Kelvaro.svg and the Windows icon from them; run after changing the drawing and commit them.
set -euo pipefail
cd "$(dirname "$0")"
for size in 16 24 32 48 64 128 256; do
  # Draw large once per size and scale down, which keeps the small sizes sharper than drawing them directly.
  convert -background none -density 384 org.kelvaro.Kelvaro.svg -resize "${size}x${size}" \
    -strip "png32:icon_${size}.png"
done
# The Windows program's icon: every size in one .ico.
convert icon_16.png icon_24.png icon_32.png icon_48.png icon_64.png icon_128.png icon_256.png org.kelvaro.Kelvaro.ico
