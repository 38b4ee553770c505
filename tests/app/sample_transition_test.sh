#!/usr/bin/env bash
# The sample game's first picture comes in through its rule mask (a spiral that opens from the centre)
# and then shakes: the real binary in a real window (run through with-xvfb) from the start-up dialog
# to the first message, with screenshots taken as fast as they come while the picture changes.
#
#   sample_transition_test.sh KESTREL GAME_FOLDER ASSET_FOLDER
set -u
kestrel=$1
. "$(dirname "$0")/../support/game_window.sh"
source_game=$2
assets=$3
sample_game_setup transition

room="$assets/bmp/bg01.bmp"
title="$assets/system/title_bg.bmp"

GAME_LOG="$work/log" start_game "$kestrel"
xdotool mousemove 512 384
wait_for_window '^ $' >/dev/null || fail "no start-up dialog"
answer_dialog_skipping_movie
wid=$(wait_for_window '^Kestrel$') || fail "no main window"
sleep 0.3
eval "$(xdotool getwindowgeometry --shell "$wid")" # X, Y, WIDTH, HEIGHT

# The logo cut short with Ctrl, then the title menu; Ctrl is let go before the story starts.
xdotool mousemove $((X + 500)) $((Y + 300)) keydown ctrl
for _ in $(seq 60); do
    shot
    [ "$(differing "$title" 0 0 1024 480)" = 0 ] && break
    sleep 0.25
done
xdotool keyup ctrl
[ "$(differing "$title" 0 0 1024 480)" = 0 ] || fail "the title menu did not appear"

# New game; the screenshots are kept and looked at afterwards, so that they come close together.
click 296 503
sleep 0.3
click 296 503
for i in $(seq -w 40); do
    import -window root "$work/f$i.png" 2>/dev/null || fail "no screenshot"
done

# The room moved by each of the quake's four offsets (the uncovered strips are not compared).
for d in "-16 -16" "16 16" "16 -16" "-16 16"; do
    set -- $d
    convert "$room" -roll "$(printf '%+d%+d' "$1" "$2")" "$work/room$1_$2.png"
done

mid=0 quake=0
for f in "$work"/f*.png; do
    cp "$f" "$work/shot.png"
    # Mid-wipe: the centre already shows the room, a corner does not yet.
    if [ "$quake" = 0 ] && [ "$(near "$room" 472 248 80 80)" = 0 ] &&
        [ "$(near "$room" 0 0 80 80)" -gt 3000 ]; then
        mid=1
    fi
    # Quake: the room as a whole moved by 16 pixels on both axes.
    if [ "$mid" = 1 ]; then
        for d in "$work"/room*.png; do
            [ "$(differing "$d" 100 100 800 300)" = 0 ] && quake=1
        done
    fi
done
[ "$mid" = 1 ] || fail "no picture taken mid-wipe (the centre showing the room before the corners)"
[ "$quake" = 1 ] || fail "no picture taken of the room shaken"
# Both ends: the room stands still behind the first message.
for _ in $(seq 40); do
    shot
    [ "$(differing "$room" 0 0 1024 440)" = 0 ] && break
    sleep 0.25
done
[ "$(differing "$room" 0 0 1024 440)" = 0 ] || fail "the room is not at rest after the quake"

quit_through_question "$pid" || fail "the game did not end"
wait "$pid"
rc=$?
pid=
[ $rc -eq 0 ] || fail "the game ended with $rc"
echo "1 passed, 0 failed"
