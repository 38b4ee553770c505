#!/usr/bin/env bash
# The whole sample game through the real binary in a real window (run through with-xvfb), second
# part: a first run plays to the bridge, saves into slot 1 from the system menu and takes the first
# ending; the game is started again, its title menu now in the look of a seen ending, and slot 1
# loaded from it; the loaded game opens the system menu over the bridge again, and the second choice
# leads to the dawn's ending, its own staff roll and the title menu of a game played to its end.
# After the quit: both endings' flags and unlocks in save/Config.dat, and the save slot as the first
# run left it.
#
#   whole_game_second_ending.sh KESTREL GAME_FOLDER ASSET_FOLDER
set -u
kestrel=$1
. "$(dirname "$0")/../support/game_window.sh"
source_game=$2
assets=$3
sample_game_setup
. "$(dirname "$0")/whole_game_steps.sh"

first_ending_saved_at_bridge
check_bridge_record save/savefile00.sav
cp save/savefile00.sav "$work/saved.sav"

# --- Second run: the extras button answers now; slot 1 loaded; the dawn's ending. -------------------
start_to_title "$title1"
xdotool mousemove $((X + 639)) $((Y + 503))
eventually differs_by_more 100 "$title1" 586 491 106 24 || fail "no highlight on the extras button after an ending"
second_ending_from_save
click 500 300 # seen just before: a click skips it
wait_for "$title2" 0 0 1024 480 || fail "the dawn's staff roll did not lead to the title menu of a finished game"
quit_game

# --- Both endings in save/Config.dat; the save slot untouched by the second run. --------------------
expect_bytes save/Config.dat $((0x7A4 + 40)) 8 "1 1 1 1 1 1 1 1" "read flags of ids 40 to 47"
expect_bytes save/Config.dat $((0x29C)) 3 "1 1 0" "taken choices of set 0"
expect_bytes save/Config.dat $((0x3C8)) 3 "1 1 0" "replay unlocks 0 to 2"
expect_bytes save/Config.dat $((0x3DC)) 16 "1 0 0 0 0 0 0 0 0 1 0 0 0 0 1 0" "ending flags 0 to 15"
expect_bytes save/Config.dat $((0x3F8 + 10)) 1 "1" "seen flag of the dawn's picture"
cmp -s save/savefile00.sav "$work/saved.sav" || fail "the save slot changed without a save"
echo "1 passed, 0 failed"
