#!/usr/bin/env bash
# Opens the extras of the sample game through the real binary in a real window (run through
# with-xvfb): plays the story through to its ending, which unlocks the extras, its event picture and
# its first replay scene; opens the extras from the title menu on the gallery, views the seen
# picture whole and closes it; replays the unlocked scene from the replay screen and comes back to
# it at the scene's end; returns to the title menu and quits through the quit question.
#
#   sample_extras_test.sh KESTREL GAME_FOLDER ASSET_FOLDER
#
# GAME_FOLDER is copied afresh; ASSET_FOLDER holds the generator's loose pictures to compare with.
set -u
kestrel=$1
. "$(dirname "$0")/../support/game_window.sh"
source_game=$2
assets=$3
sample_game_setup

title0="$assets/system/title_bg.bmp"
title1="$assets/system/title_bg01.bmp"
gallery="$assets/system/cg_base.bmp"
replay="$assets/system/scene_base.bmp"
header="0 0 700 76" # the screens' title band, clear of every button

# --- Start-up dialog, the logo cut short with Ctrl, the title menu. ---------------------------------
start_to_title "$title0"

# --- A new game played through to the title menu of a seen ending (Ctrl cuts the sequences). -------
click 296 503
play_to_title "$title1" || fail "the story did not return to the title menu"

# --- The extras open on the gallery: the seen picture's thumbnail in slot 0, slot 1 framed only. ---
open_extras "639 503" "$gallery"
eventually differs_by_more 20000 "$gallery" 7 84 248 140 || fail "no thumbnail in the first slot"
eventually shows "$gallery" 261 84 248 140 || fail "a thumbnail in the locked second slot"

# --- The picture whole, then back to the gallery on the next click (it has no other variant). -----
click 131 154
wait_for "$assets/bmp/ev01a.bmp" 0 0 1024 576 || fail "the picture was not shown whole"
click 131 154
wait_for "$gallery" $header || fail "the view did not close"

# --- The replay screen by its tab; the unlocked scene plays and returns there at its end. ----------
open_extras "766 546" "$replay"
eventually differs_by_more 20000 "$replay" 7 84 248 140 || fail "no thumbnail of the unlocked scene"
click 131 154
played=0
for _ in $(seq 60); do
    sleep 0.3
    shot
    [ "$(differing "$replay" $header)" != 0 ] && played=1 && break
done
[ "$played" = 1 ] || fail "the scene did not start"
returned=0
for _ in $(seq 40); do
    click 500 300
    sleep 0.4
    shot
    if [ "$(differing "$replay" $header)" = 0 ]; then
        returned=1
        break
    fi
done
[ "$returned" = 1 ] || fail "the replayed scene did not return to the replay screen"

# --- The return button leads back to the title menu; quit through the quit question. ---------------
sleep 0.6
click 986 51
wait_for "$title1" 0 0 1024 480 || fail "the return button did not lead to the title menu"
quit_through_question "$pid" || fail "the game did not end"
wait "$pid"
rc=$?
pid=
[ $rc -eq 0 ] || fail "the game ended with $rc"
echo "1 passed, 0 failed"
