#!/usr/bin/env bash
# Searches the street of the sample game through the real binary in a real window (run through
# with-xvfb): plays the story into the investigation day, seeing the afternoon's character slide in on
# the way, until the command screen offers the search, opens the search screen (its title strip over
# the street), clicks the street lamp, and checks that the lamp's message stands over the bare street;
# back on the search screen, clicks the road, where the rumours are listed from the list file of the
# game folder whose name is double-byte, picks one and reads its message; clicks the lit windows, which
# lead into the room searched as a tabled search scene, and there the door; leaves the room down to
# the command screen, where the keyword command lists the rumours and one is asked about; then quits
# through the quit question.
#
#   sample_search_test.sh KESTREL GAME_FOLDER ASSET_FOLDER
#
# GAME_FOLDER is copied afresh; ASSET_FOLDER holds the generator's loose pictures to compare with.
set -u
kestrel=$1
. "$(dirname "$0")/../support/game_window.sh"
source_game=$2
assets=$3
sample_game_setup

title="$assets/system/title_bg.bmp"
street="$assets/bmp/bg02.bmp"
room="$assets/bmp/bg01.bmp"

# --- Start-up dialog, the logo cut short with Ctrl, the title menu, a new game. ---------------------
start_to_title "$title"
click 296 503

# --- Into the investigation day until the search row opens the search screen; on the way, the
# afternoon's character (the morning's "chara/misaki.bmp") slides in to the middle of the picture
# and waits there with the messages: the middle of her face, where she is opaque, shows as her
# picture has it. Until she is seen, each click is let take effect: the picture above the window is
# awaited until it stops changing (her motion, a page's text), for a few seconds at most. -----------
convert "$assets/chara/misaki.bmp" -alpha off -crop 40x40+174+146 +repage "$work/face.png"
her_seen=0
look_for_her() {
    [ "$her_seen" = 1 ] && return 0
    local until=$((SECONDS + 5))
    shot
    convert "$work/shot.png" -crop "1024x440+$X+$Y" +repage "$work/before.png"
    while [ "$SECONDS" -lt "$until" ]; do
        sleep 0.4
        shot
        [ "$(differing "$work/before.png" 0 0 1024 440)" = 0 ] && break
        convert "$work/shot.png" -crop "1024x440+$X+$Y" +repage "$work/before.png"
    done
    [ "$(compare -fuzz 3% -metric AE "$work/shot.png[40x40+$((X + 492))+$((Y + 146))]" "$work/face.png" \
        null: 2>&1 | cut -d' ' -f1)" = 0 ] && her_seen=1
    return 0
}
search_after_her() {
    look_for_her
    try_search
}
play_until 30 search_after_her || fail "the search screen never showed its title strip"
[ "$her_seen" = 1 ] || fail "the afternoon's character did not show in the middle of the picture"
# The street is behind the strip.
[ "$(differing "$street" 0 120 1024 300)" -lt 3000 ] || fail "the street is not behind the search screen"

# --- The street lamp: its message over the bare street. ---------------------------------------------
# shellcheck disable=SC2086
xdotool mousemove $((X + ${lamp% *})) $((Y + ${lamp#* }))
sleep 0.3
# shellcheck disable=SC2086
click $lamp
wait_for_message || fail "no message after the click on the lamp"
[ "$(differing "$street" 0 0 1024 440)" = 0 ] || fail "the strip or the pointer is still over the street"

# --- Back to the search; the road: the passers-by's rumours listed from "Key_噂.txt". --------------
search_again "500 300" "$street" || fail "the lamp's script did not go back to the search screen"
# shellcheck disable=SC2086
click $road
show_rumour_list || fail "the rumour list did not show its rows"
click 650 72 # the second rumour
wait_for_message || fail "no message after the rumour was picked"

# --- The lit windows lead upstairs: the room searched as a tabled search scene. ---------------------
search_again "500 300" "$street" || fail "the rumour's script did not go back to the search screen"
# shellcheck disable=SC2086
click $lit_windows
search_again "300 300" "$room" || fail "the room's search did not show"
# shellcheck disable=SC2086
click $door
wait_for_message || fail "no message after the click on the door"
[ "$(differing "$room" 0 0 1024 440)" = 0 ] || fail "the strip or the pointer is still over the room"

# --- Left, the room leads down to the street's command screen: its keyword command lists the two
# rumours of the road under 传闻 (white names on the dark list), and one asked about says its line. --
search_again "500 300" "$room" || fail "the door's script did not go back to the room"
click 986 51 # leave
listed=0
for _ in $(seq 15); do
    click 450 317 # Yes on the question, then on through the message of the way down
    sleep 0.4
    click 964 158 # the keyword command
    sleep 0.4
    click 852 272 # its fourth category, the rumours
    sleep 0.6
    shot
    [ "$(bright 563 26 200 52)" -gt 40 ] && listed=1 && break
done
[ "$listed" = 1 ] || fail "the rumours were not listed under the keyword command"
click 653 38 # the first rumour: the list goes and its script says its line in the window
asked=0
for _ in $(seq 40); do
    sleep 0.3
    shot
    [ "$(bright 563 26 200 52)" -lt 10 ] && [ "$(bright 140 496 760 32)" -gt 200 ] && asked=1 && break
done
[ "$asked" = 1 ] || fail "no message after the rumour was asked about"

quit_game
echo "1 passed, 0 failed"
