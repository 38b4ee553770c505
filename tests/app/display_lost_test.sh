#!/usr/bin/env bash
# The game's X server dies while the quit question is up (run through with-xvfb, whose server is the
# one that lives on): the game ends at once with its teardown (the system data saved, exit status 1,
# no hang), and the next start, on the living server, shows the start-up dialog.
set -u
kestrel=$1
. "$(dirname "$0")/../support/game_window.sh"
scratch_setup
mkdir "$work/game"
cd "$work/game" || exit 1
living=$DISPLAY

# A server of its own for the game that will lose it.
start_xvfb 1024x768 || fail "the second X server did not start"
export DISPLAY=$xvfb_display

start_game "$kestrel"
xdotool mousemove 512 384
wait_for_window '^ $' >/dev/null || fail "no start-up dialog"
answer_dialog_skipping_movie
wait_for_window '^Kestrel$' >/dev/null || fail "no main window"
sleep 0.5
xdotool mousemove 512 384 key alt+F4
wait_for_box >/dev/null || fail "no quit question"
stop_xvfb
ended=0
for _ in $(seq 150); do
    kill -0 "$pid" 2>/dev/null || {
        ended=1
        break
    }
    sleep 0.1
done
[ $ended = 1 ] || fail "the game still runs 15 s after its display died"
wait "$pid"
rc=$?
pid=
[ $rc -eq 1 ] || fail "the game ended with $rc"
grep -q "connection to the display was lost" "$work/log" || fail "the loss was not reported"
[ "$(stat -c %s save/Config.dat 2>/dev/null)" = 62258 ] || fail "no Config.dat written"

# The next start, on the server that lives, is not stopped by anything the first left behind.
export DISPLAY=$living
start_game "$kestrel"
xdotool mousemove 512 384
wait_for_window '^ $' >/dev/null || fail "no start-up dialog after the display was lost"
sleep 0.5
xdotool key Escape
wait "$pid"
rc=$?
pid=
[ $rc -eq 255 ] || fail "Cancel in the start-up dialog ended with $rc"
echo "1 passed, 0 failed"
