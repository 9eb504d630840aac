#!/bin/bash
# Renders the image set and the branding set from the manifests beside this
# script into resources/images/ and resources/branding/. Needs Qt 5 (Gui, Svg),
# the Adwaita icon theme (adwaita-icon-theme) and ImageMagick (for the GIFs).
# The rendered files are kept in the tree; run this only after changing a manifest.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
res=$(dirname "$here")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
g++ -std=c++17 -O1 -fPIC -o "$work/imagegen" "$here/imagegen.cpp" $(pkg-config --cflags --libs Qt5Svg Qt5Gui)
fonts=("$res"/fonts/*.ttf)
export QT_QPA_PLATFORM=offscreen
"$work/imagegen" --src "$res/images/src" "$here/images.manifest" "$res/images" "${fonts[@]}"
"$work/imagegen" --src "$res/images/src" "$here/branding.manifest" "$res/branding" "${fonts[@]}"
"$work/imagegen" --src "$res/images/src" "$here/frames.manifest" "$work/frames" "${fonts[@]}"
im=convert
[ -x /usr/bin/convert-im6.q16 ] && im=/usr/bin/convert-im6.q16
"$im" -delay 8 -dispose Background -loop 0 "$work"/frames/loader-*.png "$res/images/loader.gif"
"$im" -delay 50 -dispose Background -loop 0 "$work"/frames/blink-*.png "$res/images/m_blinking_animation_15.gif"
echo "images rendered"
