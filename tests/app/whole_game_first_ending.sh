#!/usr/bin/env bash
# The whole sample game through the real binary in a real window (run through with-xvfb), first
# ending: a new game from the title menu into the investigation day with its map and its search (a
# rumour picked from a list file, the room upstairs searched); at the bridge the system menu, from
# which the game is saved into slot 1; the first choice, the night's ending, its staff roll and the
# staff-roll movie, and the title menu in the look of a seen ending. After the quit: the flags in
# save/Config.dat and the fields of the saved record.
#
#   whole_game_first_ending.sh KESTREL GAME_FOLDER ASSET_FOLDER
#
# GAME_FOLDER is copied afresh; ASSET_FOLDER holds the generator's loose pictures to compare with.
set -u
kestrel=$1
. "$(dirname "$0")/../support/game_window.sh"
source_game=$2
assets=$3
sample_game_setup
. "$(dirname "$0")/whole_game_steps.sh"

# --- The title menu of a game with no ending seen; a new game. ---------------------------------------
start_to_title "$title0"
new_game

# --- The investigation day: the map (looked for each time the command screen's map row is clicked,
# until it was seen), then the search row: the street searched, a rumour picked from the list file,
# the room upstairs searched and left. -------------------------------------------------------------
map_seen=0
look_for_map() {
    [ "$map_seen" = 0 ] && [ "$1" = "964 78" ] || return 0
    for _ in 1 2 3 4; do
        sleep 0.25
        shot
        shows "$assets/system/map_01.bmp" 0 100 180 300 && map_seen=1 && return 0
    done
}
map_then_search() {
    look_for_map "$1"
    [ "$map_seen" = 1 ] && try_search
}
play_until 30 map_then_search || fail "the map and then the search screen were not seen"
# shellcheck disable=SC2086
click $road
show_rumour_list || fail "the rumour list did not show its rows"
click 650 72 # the second rumour
search_again "500 300" "$assets/bmp/bg02.bmp" || fail "the rumour's script did not go back to the search screen"
# shellcheck disable=SC2086
click $lit_windows
search_again "300 300" "$assets/bmp/bg01.bmp" || fail "the room upstairs was not searched"
# shellcheck disable=SC2086
click $door
search_again "500 300" "$assets/bmp/bg01.bmp" || fail "the door's script did not go back to the room"
click 986 51 # leave
# Yes on its question, again should the question still have been fading in and let the click pass
# (the point lies on no spot of either search), then on through the message of the way down.
down=0
for _ in $(seq 20); do
    sleep 0.5
    shot
    shows "$assets/bmp/bg02.bmp" 100 150 700 280 && down=1 && break
    click 450 317
done
[ "$down" = 1 ] || fail "leaving the room did not lead back down to the street"
# The way down is told over the street, before its command screen takes the column at the right.
sleep 1
shot
{ shows "$assets/bmp/bg02.bmp" 100 150 700 280 && shows "$assets/bmp/bg02.bmp" 900 60 124 120; } ||
    fail "the way down is not told over the street"

# --- The rest of the day and the memory, on to the bridge; the system menu over it. --------------
play_to_menu_at_bridge || fail "the story did not reach the system menu at the bridge"
# --- Saved into slot 1 from the system menu; the story goes on at the bridge. ---------------------
save_from_menu
[ "$(stat -c %s save/savefile00.sav 2>/dev/null)" = 255224 ] || fail "no save file of 255224 bytes"

# --- The first choice: the night's ending, its staff roll, the staff-roll movie, the title. --------
take_choice 1
wait_for "$assets/bmp/bg02.bmp" 0 0 1024 440 || fail "the night's ending did not show the street"
through_ending_to_roll 2 "$assets/system/credit_n.bmp"
click 500 300 # seen just before: a click skips it
play_to_title "$title1" 10 || fail "the staff roll did not lead to the title menu of a seen ending"

quit_game

# --- What the story left in save/Config.dat and in the saved record. ------------------------------
[ "$(stat -c %s save/Config.dat 2>/dev/null)" = 62258 ] || fail "no Config.dat of 62258 bytes"
expect_bytes save/Config.dat $((0x7A4 + 40)) 8 "1 1 1 1 1 0 0 0" "read flags of ids 40 to 47"
expect_bytes save/Config.dat $((0x7A4 + 33)) 2 "0 0" "read flags of the second replay scene"
expect_bytes save/Config.dat $((0x29C)) 3 "1 0 0" "taken choices of set 0"
expect_bytes save/Config.dat $((0x3C8)) 2 "1 0" "replay unlocks 0 and 1"
expect_bytes save/Config.dat $((0x3DC)) 15 "1 0 0 0 0 0 0 0 0 0 0 0 0 0 0" "ending flags 0 to 14"
expect_bytes save/Config.dat $((0x3F8)) 1 "1" "seen flag of the old photograph"
expect_bytes save/Config.dat $((0x3F8 + 10)) 1 "0" "seen flag of the dawn's picture"
check_bridge_record save/savefile00.sav
echo "1 passed, 0 failed"
