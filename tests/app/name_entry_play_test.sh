#!/usr/bin/env bash
# Renames the hero in the sample game through the real binary in a real window (run through
# with-xvfb): plays to the first line of the hero and keeps his name plate, goes back to the title
# through the quit confirmation, opens the configuration screen and its name-entry dialog, types a
# half-width name and presses Escape (the dialog stays, refilled with the default names, which OK
# takes), opens it again, types a half-width name that the dialog refuses (its warning is answered),
# then full-width names sent as text input, and plays again to the same line: the plate shows another
# name, and save/Config.dat holds the new names as game text.
#
#   name_entry_play_test.sh KESTREL GAME_FOLDER ASSET_FOLDER
set -u
kestrel=$1
. "$(dirname "$0")/../support/game_window.sh"
source_game=$2
assets=$3
sample_game_setup
title="$assets/system/title_bg.bmp"
config="$assets/system/config_base.bmp"
title_shown() {
    shot
    [ "$(differing "$title" 0 0 1024 480)" = 0 ]
}
wait_title() {
    for _ in $(seq 60); do
        title_shown && return 0
        sleep 0.25
    done
    return 1
}
plate="17 457 134 30"
# The smallest shown window other than the game's and the dialog's, smaller than the screen (the
# warning box; its caption is not always readable here).
other_window() {
    local w found
    found=$(for w in $(xdotool search --onlyvisible --name '' 2>/dev/null); do
        [ "$w" = "$wid" ] || [ "$w" = "${dialog:-}" ] && continue
        eval "$(xdotool getwindowgeometry --shell --prefix O "$w")"
        [ "$OWIDTH" -lt 1024 ] && echo "$((OWIDTH * OHEIGHT)) $w"
    done | sort -n | head -n1 | cut -d' ' -f2)
    [ -n "$found" ] && echo "$found"
}
wait_for_other_window() {
    for _ in $(seq 100); do
        other_window && return 0
        sleep 0.1
    done
    return 1
}
# From the title menu: a new game, to the second message (the hero's line); keeps the plate's
# picture in $1.
play_to_hero_line() {
    click 296 503
    sleep 0.3
    click 296 503
    local previous=-1 now=0
    for _ in $(seq 40); do
        sleep 0.4
        shot
        now=$(bright 140 496 760 32)
        [ "$now" -gt 400 ] && [ "$now" = "$previous" ] && break
        previous=$now
    done
    [ "$now" -gt 400 ] || fail "no message text in the window"
    click 500 300
    for _ in $(seq 40); do
        sleep 0.3
        shot
        [ "$(bright $plate)" -gt 40 ] && break
    done
    [ "$(bright $plate)" -gt 40 ] || fail "no name on the plate"
    wait_for_page || fail "the hero's line was not typed out" # so that the quit button answers
    convert "$work/shot.png" -crop "134x30+$((X + 17))+$((Y + 457))" +repage "$1"
}

start_to_title "$title"

# --- The hero's line with the default name, then back to the title through the quit screen. --------
play_to_hero_line "$work/plate-before.png"
click 958 469 # the window's quit button
# Each panel takes a click once it has slid in, as its button lit under the pointer shows.
await_lit 485 265 "$assets/system/EXIT_P.bmp" 396 134 192 43 389 244 || fail "the quit screen did not open"
click 485 265 # back to the title
await_lit 450 317 "$assets/system/EXIT_P.bmp" 588 134 105 45 398 295 ||
    fail "the quit screen did not ask to go back to the title"
click 450 317 # yes
wait_title || fail "the quit confirmation did not lead back to the title menu"

# --- The configuration screen and its name-entry dialog. ---------------------------------------------
click 511 503
for _ in $(seq 40); do
    sleep 0.25
    shot
    [ "$(differing "$config" 0 0 1024 70)" = 0 ] && break
done
[ "$(differing "$config" 0 0 1024 70)" = 0 ] || fail "the configuration screen did not appear"
open_name_dialog() {
    click 664 507
    dialog=$(wait_for_titled "更改主人公") || fail "no name-entry dialog"
    sleep 0.5
    eval "$(xdotool getwindowgeometry --shell --prefix D "$dialog")" # DX, DY, DWIDTH, DHEIGHT
    xdotool mousemove $((DX + DWIDTH / 2)) $((DY + 5))
    sleep 0.2
}
open_name_dialog
# Escape keeps the dialog open with the default names in its fields: OK then takes them at once.
xdotool key BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace
xdotool type --delay 60 "ab"
xdotool key Escape
sleep 0.7
titled "更改主人公" >/dev/null || fail "Escape closed the name-entry dialog"
accept_names "Escape did not refill the default names (OK refused them)"
other_window >/dev/null && fail "a warning after Escape and OK"
open_name_dialog
# The family name's field has the focus: a half-width name is refused with a warning.
xdotool key BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace
xdotool type --delay 60 "ab"
xdotool key Return
warning=$(wait_for_other_window) || fail "no warning for a half-width name"
sleep 0.5
# The box's one button is OK, its default: Return answers it.
xdotool key Return
sleep 0.7
# Full-width names, typed as text: the family name, then Tab to the given name.
enter_names "张" "小明"
click 937 445 # OK: back to the title menu
wait_title || fail "the configuration screen did not return to the title menu"

# --- The same line again: the plate shows the new name. ----------------------------------------------
play_to_hero_line "$work/plate-after.png"
changed=$(compare -metric AE "$work/plate-before.png" "$work/plate-after.png" null: 2>&1 | cut -d' ' -f1)
[ "${changed:-0}" -gt 20 ] || fail "the plate shows the same name ($changed pixels differ)"

quit_through_question "$pid" || fail "the game did not end"
wait "$pid"
rc=$?
pid=
[ $rc -eq 0 ] || fail "the game ended with $rc"
names=$(od -An -tx1 -j $((0xF204)) -N 22 save/Config.dat | tr -s ' \n' ' ' | sed 's/^ //; s/ $//')
[ "$names" = "d5 c5 00 00 00 00 00 00 00 00 00 d0 a1 c3 f7 00 00 00 00 00 00 00" ] ||
    fail "names in Config.dat: $names"
echo "1 passed, 0 failed"
