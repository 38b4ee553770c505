#!/usr/bin/env bash
# Saves the sample game and loads it again through the real binary in a real window (run through
# with-xvfb): starts a new game, waits for the first page, saves it into slot 1 from the message
# window's save button, goes back to the game and quits through the quit question; starts the game
# again, loads slot 1 from the title menu's load button and checks that the same page is shown.
#
#   sample_save_load_test.sh KESTREL GAME_FOLDER ASSET_FOLDER
#
# GAME_FOLDER is copied afresh; ASSET_FOLDER holds the generator's loose pictures (the title).
set -u
kestrel=$1
. "$(dirname "$0")/../support/game_window.sh"
source_game=$2
assets=$3
title=$assets/system/title_bg.bmp
sample_game_setup

# --- First run: a new game, the first page saved into slot 1. ------------------------------------
start_to_title "$title"
click 296 503
sleep 0.3
click 296 503 # cuts the fade-out short
wait_for_page || fail "no first page"
keep "$work/page.png"
page_text=$(bright 140 496 760 32)
click 849 469 # the message window's save button
wait_for "$assets/system/save_base.bmp" 0 0 700 76 || fail "the save screen did not open"
sleep 0.5
click 256 132 # slot 1
answer_yes "$assets/system/save_parts.bmp"
for _ in $(seq 50); do
    [ "$(stat -c %s save/savefile00.sav 2>/dev/null)" = 255224 ] && break
    sleep 0.2
done
[ "$(stat -c %s save/savefile00.sav 2>/dev/null)" = 255224 ] || fail "no save file of 255224 bytes"
leave_slot_page "$assets/system/save_parts.bmp"
wait_for "$work/page.png" 0 0 1024 448 || fail "the game's picture is not back after saving"
quit_game

# --- Second run: slot 1 loaded from the title menu. --------------------------------------------------
start_to_title "$title"
click 404 503 # load
wait_for "$assets/system/load_base.bmp" 0 0 700 76 || fail "the load screen did not open"
sleep 0.5
click 256 132 # slot 1
answer_yes "$assets/system/load_parts.bmp"
wait_for_page || fail "no page after loading"
[ "$(differing "$work/page.png" 0 0 1024 448)" = 0 ] || fail "the loaded game's picture differs from the saved one"
[ "$(bright 140 496 760 32)" = "$page_text" ] || fail "the loaded page's text differs from the saved one"
quit_game
echo "1 passed, 0 failed"
