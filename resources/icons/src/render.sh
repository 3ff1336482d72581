#!/bin/sh
# Renders the committed PNGs from the SVG sources beside this script.
# Needs rsvg-convert (librsvg2-bin).
set -eu
src=$(cd "$(dirname "$0")" && pwd)
out=$(dirname "$src")

render() { rsvg-convert -w "$2" -h "$3" -o "$4" "$1"; }

mkdir -p "$out/standard" "$out/browser"
for name in New Open Save Cut Copy Paste Help; do
    render "$src/standard/$name.svg" 16 15 "$out/standard/$name.png"
done
for name in Back Forward Stop Refresh Home Search Tarvelon; do
    render "$src/browser/$name.svg" 24 24 "$out/browser/$name.png"
done

# The smallest program icons have their own pixel-fitted drawings; the rest scale the master.
render "$src/webrix-16.svg" 16 16 "$out/webrix-16.png"
render "$src/webrix-24.svg" 24 24 "$out/webrix-24.png"
for size in 32 48 64 128 256; do
    render "$out/webrix.svg" "$size" "$size" "$out/webrix-$size.png"
done

render "$src/browser-window.svg" 32 32 "$out/browser-window.png"
render "$src/splash-logo.svg" 102 62 "$out/splash-logo.png"
