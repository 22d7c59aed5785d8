#!/bin/sh
# Takes the user guide's pictures of debug sessions from BUILD/bin/pellix under Xvfb with
# the openbox window manager, so the windows have their frames and are placed as on a
# desktop: macros.src stopped at a breakpoint set with F9 in the editor (the chip stops
# once that line has run; docs/images/editor-debug.png), and echo.src running freely with
# letters typed into the Terminal window and echoed in upper case (terminal-session.png,
# terminal.png). Needs xvfb-run, openbox, xdotool and imagemagick.
set -eu
cd "$(dirname "$0")/.."
if [ -z "${SHOTS_INSIDE_XVFB:-}" ]; then
    SHOTS_INSIDE_XVFB=1 exec xvfb-run -a -s "-screen 0 1600x1000x24" "$0" "$@"
fi
root="$PWD"
work=$(mktemp -d)
openbox >/dev/null 2>&1 &
wm=$!
trap 'kill $wm 2>/dev/null || true; rm -rf "$work"' EXIT
# The main window at the left, out of the way of the debug windows' first layout.
cat >"$work/settings.ini" <<'INI'
[Configuration]
ComPort=sim
UseOrda=0
ShowWarranty=2

[EditorWindow]
Left=0
Top=24
Width=440
Height=960
WindowState=0

[FileListWidth]
FileListWidth=60
INI
cp examples/macros.src "$work/macros.src"
export PELLIX_SETTINGS="$work/settings.ini"
cd "$work"
sleep 1
"$root/BUILD/bin/pellix" "$work/macros.src" &
pid=$!
sleep 4
main=$(xdotool search --name 'Pellix v' | head -1)
xdotool windowactivate --sync "$main" || true
# Debug; Go to Line 70 ("INC count"), F9 for a breakpoint there, F5 to run to it.
xdotool key ctrl+d
sleep 4
xdotool windowactivate --sync "$main" || true
xdotool key ctrl+g
sleep 1
xdotool type 70
xdotool key Return
sleep 1
xdotool key F9
sleep 1
xdotool key F5
sleep 3
import -window root "$work/shot.png"
convert "$work/shot.png" -crop 1340x1000+0+0 -colors 64 "PNG8:$root/docs/images/editor-debug.png"
kill "$pid"
wait "$pid" 2>/dev/null || true

# echo.src run freely (F5, no breakpoint), the debug window's Terminal button (Alt+M), and
# letters typed into it.
cp "$root/examples/echo.src" "$work/echo.src"
"$root/BUILD/bin/pellix" "$work/echo.src" &
pid=$!
sleep 4
main=$(xdotool search --name 'Pellix v' | head -1)
xdotool windowactivate --sync "$main" || true
xdotool key ctrl+d
sleep 4
xdotool key F5
sleep 1
xdotool windowactivate --sync "$(xdotool search --name '^Debug$' | head -1)" || true
xdotool key alt+m
sleep 2
terminal=$(xdotool search --name '^Terminal$' | head -1)
xdotool windowactivate --sync "$terminal" || true
xdotool type --delay 60 'hello, echo!'
xdotool key Return
xdotool type --delay 60 'typed in lower case'
sleep 2
import -window root "$work/shot.png"
convert "$work/shot.png" -colors 64 "PNG8:$root/docs/images/terminal-session.png"
import -window "$terminal" "$work/shot.png"
convert "$work/shot.png" -colors 64 "PNG8:$root/docs/images/terminal.png"
kill "$pid"
wait "$pid" 2>/dev/null || true
