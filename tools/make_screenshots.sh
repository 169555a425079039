#!/bin/sh
# Runs the program as a user would, under a virtual display, on a copy of the built
# program with a demonstration order (tools/demo_order.sh): waits for the main window,
# presses "Расчет поддонов" and saves the window as docs/main-window.png.
#
# Usage: tools/make_screenshots.sh [BUILD_DIR]   (default: build)
# Needs xvfb-run (packages xvfb xauth), xdotool and sqlite3.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
tools_build=${TMPDIR:-/tmp}/gravelon-pictures-build
cmake -S "$root/tools/pictures" -B "$tools_build" >/dev/null
cmake --build "$tools_build" -j2 --target grab_screen >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$build/bin/gravelon" "$build/bin/gravelon-cli" "$work/"
cp -r "$root/resources" "$work/resources"
rm -f "$work"/resources/*.db "$work"/resources/*.db-*
"$root/tools/demo_order.sh" "$work/resources/example.ini" >/dev/null

cat > "$work/session.sh" <<EOF
set -eu
"$work/gravelon" >"$work/gravelon.log" 2>&1 &
app=\$!
window=
for i in \$(seq 60); do
    window=\$(xdotool search --name '^Гравелон 1.0\$' 2>/dev/null | head -1 || true)
    [ -n "\$window" ] && break
    sleep 0.5
done
[ -n "\$window" ] || { echo "the main window did not appear" >&2; kill \$app; exit 1; }
# No window manager runs here, so the window is given the screen's size directly.
xdotool windowsize "\$window" 1600 900
sleep 1.5
# "Расчет поддонов" is at the top right of the window.
xdotool mousemove --window "\$window" 1516 67 click 1
sleep 6
"$tools_build/grab_screen" "$root/docs/main-window.png" "\$window"
kill \$app
EOF
mkdir -p "$root/docs"
xvfb-run -a -s "-screen 0 1600x900x24" sh "$work/session.sh"
echo "docs/main-window.png written"
