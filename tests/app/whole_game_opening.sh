#!/usr/bin/env bash
# The whole sample game through the real binary in a real window (run through with-xvfb), its
# opening: from the start-up dialog through the logos, the opening movie and the title menu into a
# new game; on the first page the backlog, then the configuration screen with the name-entry dialog
# (the hero renamed); the notebook once the story offers it. After the quit: the new names in
# save/Config.dat.
#
#   whole_game_opening.sh KESTREL GAME_FOLDER ASSET_FOLDER
#
# GAME_FOLDER is copied afresh; ASSET_FOLDER holds the generator's loose pictures to compare with.
set -u
kestrel=$1
. "$(dirname "$0")/../support/game_window.sh"
source_game=$2
assets=$3
sample_game_setup
. "$(dirname "$0")/whole_game_steps.sh"

# --- Start-up dialog with its defaults (window, the movie played), the two logos, the movie. -------
GAME_LOG="$work/log" start_game "$kestrel"
xdotool mousemove 512 384
wait_for_window '^ $' >/dev/null || fail "no start-up dialog"
sleep 0.5 # mapped and drawn before the key arrives
xdotool key Return
find_game_window
xdotool mousemove $((X + 500)) $((Y + 300))
wait_for "$assets/system/logo.bmp" 0 0 1024 576 || fail "the first logo was not shown"
wait_for "$assets/system/logo01.bmp" 0 0 1024 576 || fail "the second logo was not shown"
wait_for_movie || fail "no opening movie in the window"
click 500 300 3 # a right click skips it

# --- The title menu of a game with no ending seen. --------------------------------------------------
wait_for "$title0" 0 0 1024 480 || fail "the title menu did not follow the movie"
xdotool mousemove $((X + 639)) $((Y + 503))
sleep 0.4
shot
[ "$(differing "$title0" 586 491 106 24)" = 0 ] || fail "the extras button lights up with no ending seen"

# --- New game: the first page over the room. --------------------------------------------------------
new_game
[ "$(differing "$assets/bmp/bg01.bmp" 0 0 1024 440)" = 0 ] || fail "the room is not behind the first page"
for _ in 1 2; do
    click 500 300
    sleep 0.5
    wait_for_page || fail "no next page"
done
keep "$work/page.png"

# --- The backlog from the window's button: the room darkened under its panel, the pages read. ------
click 729 468
backlog="$work/backlog.png"
convert "$assets/bmp/bg01.bmp" "$assets/system/backlog_base.bmp" -composite "$backlog"
# Its return button lights up under the pointer once the 1 s fade-in has ended, and only then does the
# backlog take the right click. The fade's interlaced blend looks finished well before its end.
await_lit 980 545 "$assets/system/backlog_p.bmp" 50 0 66 42 948 524 ||
    fail "the backlog's return button did not light up under the pointer"
# Three pages read fill rows 0 to 2, the one on screen included; row 3 is the bare panel.
[ "$(near "$backlog" 300 460 600 100)" = 0 ] || fail "the backlog's panel is not over the room"
[ "$(bright 40 8 880 60)" -gt 200 ] || fail "no message text in the backlog"
click 500 300 3
wait_for "$work/page.png" 0 0 1024 448 || fail "the backlog did not return to the page"

# --- The configuration from the window's button; the hero renamed in the name-entry dialog. --------
click 925 469
wait_for "$assets/system/config_base.bmp" 0 0 1024 70 || fail "the configuration screen did not open"
click 664 507
dialog=$(wait_for_titled "更改主人公") || fail "no name-entry dialog"
sleep 0.5
eval "$(xdotool getwindowgeometry --shell --prefix D "$dialog")" # DX, DY, DWIDTH, DHEIGHT
enter_names "$family" "$given"
click 937 445 # OK: back to the game
wait_for "$work/page.png" 0 0 1024 448 || fail "the configuration screen did not return to the page"

# --- On through the first script; the notebook once the window offers its button. On the way, the
# captions: the room letterboxed, nothing of the bottom window left above the band. -------------------
notebook=0
band=0
for _ in $(seq 30); do
    click 989 469 # a page click until the button answers
    sleep 0.6
    shot
    if [ "$(differing "$assets/system/note_base01.bmp" 0 0 1024 60)" = 0 ]; then
        notebook=1
        break
    fi
    if [ "$(bright 0 0 1024 110)" = 0 ] && [ "$(differing "$assets/bmp/bg01.bmp" 0 110 1024 330)" = 0 ]; then
        band=1
        [ "$(bright 0 440 1024 50)" = 0 ] || fail "a strip of the bottom window stays above the caption band"
    fi
done
[ "$notebook" = 1 ] || fail "the notebook did not open from the window's button"
[ "$band" = 1 ] || fail "the captions were not shown over the letterboxed room"
click 500 300 3
sleep 1.5

quit_game
[ "$(stat -c %s save/Config.dat 2>/dev/null)" = 62258 ] || fail "no Config.dat of 62258 bytes"
expect_text save/Config.dat $((0xF204)) "$family" "family name"
expect_text save/Config.dat $((0xF20F)) "$given" "given name"
echo "1 passed, 0 failed"
