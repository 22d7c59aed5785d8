#!/bin/sh
# Takes the user guide's pictures of debug sessions from BUILD/bin/pellix under Xvfb with
# the openbox window manager, so the windows have their frames and are placed as on a
# desktop: macros.src stopped at a breakpoint set with F9 in the editor (the chip stops
# once that line has run; docs/images/editor-debug.png), and the virtual lab: the Pins
# window while serial.src sends on RA.0 (lab-serial.png), button.src driven by button.stim
# loaded from the debug window's Lab menu (lab-button.png), and echo.src running freely
# with letters typed into the Terminal window and echoed in upper case
# (terminal-session.png, terminal.png). Needs xvfb-run, openbox, xdotool and imagemagick.
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
cp "$work/settings.ini" "$work/first-run.ini"
cp examples/macros.src examples/serial.src examples/button.src examples/button.stim "$work/"
export PELLIX_SETTINGS="$work/settings.ini"
cd "$work"
sleep 1
# debug SOURCE: pellix with SOURCE, and a debug session.
debug() {
    "$root/BUILD/bin/pellix" "$work/$1" &
    pid=$!
    sleep 4
    main=$(xdotool search --name 'Pellix v' | head -1)
    xdotool windowactivate --sync "$main" || true
    xdotool key ctrl+d
    sleep 4
}
stop() {
    kill "$pid"
    wait "$pid" 2>/dev/null || true
}
# start SOURCE: the same, and the Pins window.
start() {
    debug "$1"
    xdotool windowactivate --sync "$(xdotool search --name '^Debug$' | head -1)" || true
    xdotool key alt+n
    sleep 1
}

# Debug; Go to Line 70 ("INC count"), F9 for a breakpoint there, F5 to run to it.
debug macros.src
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
stop

# The lab's pictures start from the first layout again.
cp "$work/first-run.ini" "$work/settings.ini"

shoot() {
    import -window root "$work/shot.png"
    convert "$work/shot.png" -crop "$2" +repage -colors 64 "PNG8:$root/docs/images/$1"
}

# The serial example runs freely: RA.0 moves between two looks.
start serial.src
xdotool key F5
sleep 2
shoot lab-serial.png 620x640+930+50
stop

# The button example with its stimulus file, loaded through the Lab menu's file dialog.
start button.src
xdotool windowactivate --sync "$(xdotool search --name '^Debug$' | head -1)" || true
xdotool key alt+a
sleep 1
xdotool key s
sleep 2
xdotool type --delay 20 "$work/button.stim"
xdotool key Return
sleep 1
xdotool key F5
sleep 2
xdotool windowactivate --sync "$(xdotool search --name '^Debug$' | head -1)" || true
xdotool key F6
sleep 1
shoot lab-button.png 620x640+930+50
stop

# echo.src run freely (F5, no breakpoint), the debug window's Terminal button (Alt+M), and
# letters typed into it.
cp "$root/examples/echo.src" "$work/echo.src"
debug echo.src
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
