#!/usr/bin/env bash
# The sample game's first picture comes in through its rule mask (a spiral that opens from the centre)
# and then shakes: the real binary in a real window (run through with-xvfb) from the start-up dialog
# to the first message. The game folder's copy holds a start script of the test's own, found before
# the archive's: the sample's, with the wipe and the quake made long enough (8 s and 5 s) that
# screenshots taken at any pace catch the picture mid-wipe, then shaken, in that order.
#
#   sample_transition_test.sh KESTREL GAME_FOLDER ASSET_FOLDER SASM START_SASM
set -u
kestrel=$1
. "$(dirname "$0")/../support/game_window.sh"
source_game=$2
assets=$3
sasm=$4
sample_game_setup

sed -e 's/^\( *Transition 40,\) 1500$/\1 8000/' -e 's/^\( *Quake 0,\) 1000$/\1 5000/' "$5" >"$work/start.sasm"
[ "$(grep -cE '^ *(Transition 40, 8000|Quake 0, 5000)$' "$work/start.sasm")" = 2 ] ||
    fail "the sample's start script no longer opens with a 1.5 s wipe and a 1 s quake"
mkdir -p script && "$sasm" -o script/start.s "$work/start.sasm" >>"$work/log" 2>&1 || fail "sasm failed"

room="$assets/bmp/bg01.bmp"
title="$assets/system/title_bg.bmp"

start_to_title "$title"

# The room moved by each of the quake's four offsets (the uncovered strips are not compared).
for d in "-16 -16" "16 16" "16 -16" "-16 16"; do
    set -- $d
    convert "$room" -roll "$(printf '%+d%+d' "$1" "$2")" "$work/room$1_$2.png"
done

# New game; screenshots until the room was seen mid-wipe and then shaken (a minute at most).
click 296 503
sleep 0.3
click 296 503
mid=0 quake=0
SECONDS=0
until [ "$quake" = 1 ] || [ "$SECONDS" -gt 60 ]; do
    shot
    if [ "$mid" = 0 ]; then
        # Mid-wipe: the centre already shows the room, a corner does not yet.
        [ "$(near "$room" 472 248 80 80)" = 0 ] && [ "$(near "$room" 0 0 80 80)" -gt 3000 ] && mid=1
    else
        # Quake: the room as a whole moved by 16 pixels on both axes.
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
