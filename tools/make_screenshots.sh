#!/bin/sh
# Runs the program as a user would, under a virtual display, on copies of the built
# program, and saves what it shows:
#   docs/main-window.png               the main window after "Расчет поддонов" on a
#                                      demonstration order (tools/demo_order.sh)
#   resources/help/img/main-window.png the same, for the manual
#   resources/help/img/colors.png      the colour directory
#   resources/help/img/connect.png     the connection panel after a failed connection
#   resources/help/img/print-preview.png the print preview of "Печать…", grabbed offscreen
#                                      by the window test that opens the real dialog
#   resources/help/img/dispatch.png    the dispatch window half way through a load, grabbed
#                                      offscreen by its window test
#
# Usage: tools/make_screenshots.sh [BUILD_DIR]   (default: build)
# Needs xvfb-run (packages xvfb xauth) and xdotool. The clicks are placed for
# the default Qt style and the DejaVu fonts of a Debian machine.
set -eu

root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
tools_build=${TMPDIR:-/tmp}/gravelon-pictures-build
cmake -S "$root/tools/pictures" -B "$tools_build" >/dev/null
cmake --build "$tools_build" -j2 --target grab_screen >/dev/null
grab=$tools_build/grab_screen

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A copy of the program with its own resources/ and database.
copy_program() {
    mkdir -p "$1"
    cp "$build/bin/gravelon" "$build/bin/gravelon-cli" "$1/"
    cp -r "$root/resources" "$1/resources"
    rm -f "$1"/resources/*.db "$1"/resources/*.db-*
}

# Shell functions for the sessions: wait for a window by its exact title.
cat > "$work/common.sh" <<'EOF'
wait_window() {
    for i in $(seq 60); do
        found=$(xdotool search --name "^$1\$" 2>/dev/null | head -1 || true)
        [ -n "$found" ] && { echo "$found"; return 0; }
        sleep 0.5
    done
    echo "window «$1» did not appear" >&2
    return 1
}
EOF

# 1. The main window with a calculated order, then the colour directory.
copy_program "$work/main"
"$root/tools/demo_order.sh" "$work/main/resources/example.ini" >/dev/null
cat > "$work/main.sh" <<EOF
set -eu
. "$work/common.sh"
"$work/main/gravelon" >"$work/main.log" 2>&1 &
app=\$!
window=\$(wait_window 'Гравелон 1.0') || { kill \$app; exit 1; }
# No window manager runs here, so the window is given the screen's size directly.
xdotool windowsize "\$window" 1600 900
sleep 1.5
# "Расчет поддонов" at the top right.
xdotool mousemove --window "\$window" 1516 67 click 1
sleep 6
"$grab" "$root/docs/main-window.png" "\$window"
# "Настройки", then "Справочник цветов".
xdotool mousemove --window "\$window" 41 8 click 1
sleep 1
xdotool mousemove --window "\$window" 90 50 click 1
colours=\$(wait_window 'Справочник цветов') || { kill \$app; exit 1; }
sleep 1
"$grab" "$root/resources/help/img/colors.png" "\$colours"
kill \$app
EOF

# 2. The connection panel after a connection that fails.
copy_program "$work/connect"
sed -i 's/^Baza=.*/Baza=нет-такой-папки\/gravelon.db/' "$work/connect/resources/example.ini"
cat > "$work/connect.sh" <<EOF
set -eu
. "$work/common.sh"
"$work/connect/gravelon" >"$work/connect.log" 2>&1 &
app=\$!
sleep 5
# The warning box has the keyboard: Enter closes it.
xdotool key Return
sleep 1
startup=
for w in \$(xdotool search --name '^Гравелон\$'); do
    if xwininfo -id "\$w" | grep -q 'Width: 990'; then startup=\$w; fi
done
[ -n "\$startup" ] || { echo "the start-up window did not appear" >&2; kill \$app; exit 1; }
"$grab" "$root/resources/help/img/connect.png" "\$startup"
kill \$app
EOF

mkdir -p "$root/docs" "$root/resources/help/img"
xvfb-run -a -s "-screen 0 1600x900x24" sh "$work/main.sh"
cp "$root/docs/main-window.png" "$root/resources/help/img/main-window.png"
xvfb-run -a -s "-screen 0 1600x900x24" sh "$work/connect.sh"
QT_QPA_PLATFORM=offscreen GRAVELON_PREVIEW_SCREENSHOT="$root/resources/help/img/print-preview.png" \
    "$build/bin/tst_print_paper" realPreviewDialog >/dev/null
QT_QPA_PLATFORM=offscreen GRAVELON_DISPATCH_SCREENSHOT="$root/resources/help/img/dispatch.png" \
    "$build/bin/tst_dispatch_window" fullLoad:sqlite >/dev/null
echo "screenshots written: docs/main-window.png, resources/help/img/*.png"
