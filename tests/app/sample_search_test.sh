#!/usr/bin/env bash
# Searches the street of the sample game through the real binary in a real window (run through
# with-xvfb): plays the story into the investigation day until the command screen offers the search,
# opens the search screen (its title strip over the street), clicks the street lamp, and checks that
# the lamp's message stands over the bare street; back on the search screen, clicks the road, where
# the rumours are listed from the list file of the game folder whose name is double-byte, picks one
# and reads its message; clicks the lit windows, which lead into the room searched as a tabled search
# scene, and there the door; then quits through the quit question.
#
#   sample_search_test.sh KESTREL GAME_FOLDER ASSET_FOLDER
#
# GAME_FOLDER is copied afresh; ASSET_FOLDER holds the generator's loose pictures to compare with.
set -u
kestrel=$1
. "$(dirname "$0")/../support/game_window.sh"
source_game=$2
assets=$3
sample_game_setup search

title="$assets/system/title_bg.bmp"
street="$assets/bmp/bg02.bmp"
room="$assets/bmp/bg01.bmp"

# --- Start-up dialog, the logo cut short with Ctrl, the title menu, a new game. ---------------------
"$kestrel" >"$work/log" 2>&1 &
pid=$!
xdotool mousemove 512 384
wait_for_window '^ $' >/dev/null || fail "no start-up dialog"
answer_dialog_skipping_movie
wid=$(wait_for_window '^Kestrel$') || fail "no main window"
sleep 0.3
eval "$(xdotool getwindowgeometry --shell "$wid")" # X, Y, WIDTH, HEIGHT
xdotool mousemove $((X + 500)) $((Y + 300)) keydown ctrl
for _ in $(seq 60); do
    shot
    [ "$(differing "$title" 0 0 1024 480)" = 0 ] && break
    sleep 0.25
done
xdotool keyup ctrl
[ "$(differing "$title" 0 0 1024 480)" = 0 ] || fail "the title menu did not appear"
click 296 503

# --- Into the investigation day until the search row opens the search screen. ---------------------
play_until 30 try_search || fail "the search screen never showed its title strip"
# The street is behind the strip.
[ "$(differing "$street" 0 120 1024 300)" -lt 3000 ] || fail "the street is not behind the search screen"

# --- The street lamp: its message over the bare street. ---------------------------------------------
# shellcheck disable=SC2086
xdotool mousemove $((X + ${lamp% *})) $((Y + ${lamp#* }))
sleep 0.3
# shellcheck disable=SC2086
click $lamp
text=0
for _ in $(seq 40); do
    sleep 0.3
    shot
    text=$(bright 140 496 760 32)
    [ "$text" -gt 200 ] && break
done
[ "$text" -gt 200 ] || fail "no message after the click on the lamp ($text bright pixels)"
[ "$(differing "$street" 0 0 1024 440)" = 0 ] || fail "the strip or the pointer is still over the street"

# --- Back to the search; the road: the passers-by's rumours listed from "Key_噂.txt". --------------
for _ in $(seq 20); do
    click 500 300
    sleep 0.4
    strip_shown && break
done
strip_shown || fail "the lamp's script did not go back to the search screen"
# shellcheck disable=SC2086
click $road
# Clicks go on through the two messages until the list shows its rows (a click beside the rows
# picks nothing).
rows=0
for _ in $(seq 20); do
    click 300 300
    sleep 0.5
    shot
    rows=$(bright 560 32 200 52)
    [ "$rows" -gt 20 ] && break
done
[ "$rows" -gt 20 ] || fail "the rumour list did not show its rows"
click 650 72 # the second rumour
text=0
for _ in $(seq 40); do
    sleep 0.3
    shot
    text=$(bright 140 496 760 32)
    [ "$text" -gt 200 ] && break
done
[ "$text" -gt 200 ] || fail "no message after the rumour was picked"

# --- The lit windows lead upstairs: the room searched as a tabled search scene. ---------------------
for _ in $(seq 20); do
    click 500 300
    sleep 0.4
    strip_shown && break
done
strip_shown || fail "the rumour's script did not go back to the search screen"
# shellcheck disable=SC2086
click $windows
for _ in $(seq 30); do
    click 300 300
    sleep 0.4
    strip_shown && [ "$(differing "$room" 0 120 1024 300)" -lt 3000 ] && break
done
[ "$(differing "$room" 0 120 1024 300)" -lt 3000 ] || fail "the room's search did not show"
# shellcheck disable=SC2086
click $door
text=0
for _ in $(seq 40); do
    sleep 0.3
    shot
    text=$(bright 140 496 760 32)
    [ "$text" -gt 200 ] && break
done
[ "$text" -gt 200 ] || fail "no message after the click on the door"
[ "$(differing "$room" 0 0 1024 440)" = 0 ] || fail "the strip or the pointer is still over the room"

quit_through_question "$pid" || fail "the game did not end"
wait "$pid"
rc=$?
pid=
[ $rc -eq 0 ] || fail "the game ended with $rc"
echo "1 passed, 0 failed"
