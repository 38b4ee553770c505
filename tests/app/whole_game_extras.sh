#!/usr/bin/env bash
# The whole sample game through the real binary in a real window (run through with-xvfb), third
# part: both endings played as the second part plays them (the first, then the second from the save
# at the bridge), then the extras they unlocked: the gallery with both event pictures (the dawn's
# viewed whole), the scene replay with both scenes (the second replayed and back to the replay
# screen), the music room, and back to the title menu.
#
#   whole_game_extras.sh KESTREL GAME_FOLDER ASSET_FOLDER
set -u
kestrel=$1
. "$(dirname "$0")/../support/game_window.sh"
source_game=$2
assets=$3
sample_game_setup
. "$(dirname "$0")/whole_game_steps.sh"

gallery="$assets/system/cg_base.bmp"
replay="$assets/system/scene_base.bmp"
header="0 0 700 76" # the screens' title band, clear of every button

first_ending_saved_at_bridge
start_to_title "$title1"
second_ending_from_save
play_to_title "$title2" 10 || fail "the second ending did not lead to the title menu"

# --- The gallery: both pictures' thumbnails; the dawn's picture whole. ------------------------------
open_extras "639 503" "$gallery"
eventually differs_by_more 20000 "$gallery" 7 84 248 140 || fail "no thumbnail of the old photograph"
eventually differs_by_more 20000 "$gallery" 261 84 248 140 || fail "no thumbnail of the dawn's picture"
eventually shows "$gallery" 515 84 248 140 || fail "a thumbnail in the locked third slot"
click 385 154
wait_for "$assets/bmp/ev02a.bmp" 0 0 1024 576 || fail "the dawn's picture was not shown whole"
click 385 154
wait_for "$gallery" $header || fail "the view did not close"

# --- The scene replay: both scenes; the second played through and back. ---------------------------
open_extras "766 546" "$replay"
eventually differs_by_more 20000 "$replay" 261 84 248 140 || fail "no thumbnail of the second scene"
eventually shows "$replay" 515 84 248 140 || fail "a thumbnail in the locked third slot"
click 385 154
wait_for "$bridge" 0 0 1024 440 || fail "the second scene did not start on the bridge"
returned=0
for _ in $(seq 30); do
    click 500 300
    sleep 0.4
    shot
    if shows "$replay" $header; then
        returned=1
        break
    fi
done
[ "$returned" = 1 ] || fail "the replayed scene did not return to the replay screen"

# --- The music room by its tab, then the return button to the title menu. -------------------------
sleep 0.6
click 932 546
wait_for "$assets/system/music_base.bmp" $header || fail "the music room did not open"
sleep 0.6
click 986 51
wait_for "$title2" 0 0 1024 480 || fail "the return button did not lead to the title menu"
quit_game
echo "1 passed, 0 failed"
