# Shell helpers for the tests that drive the real game in a window of an X server without a window
# manager (sourced). Keys go to the window under the pointer there.

# Waits up to 10 s for a window whose name matches the regular expression $1; prints its id.
wait_for_window() {
    local wid
    for _ in $(seq 100); do
        wid=$(xdotool search --name "$1" 2>/dev/null | head -n1)
        [ -n "$wid" ] && { echo "$wid"; return 0; }
        sleep 0.1
    done
    return 1
}

# Answers the start-up dialog (its window must be up) with OK, "不播放" picked in the second radio
# group: Tab from OK reaches Cancel, then the first group, then the second; Down picks it.
answer_dialog_skipping_movie() {
    sleep 0.5 # let it map and draw before keys arrive
    xdotool key Tab Tab Tab Down
    sleep 0.3
    xdotool key Return
}

# Closes the game of process $1 with Alt+F4 and answers the quit question with OK, again until the
# process has ended (at most 20 tries). Fails when it is still running.
quit_through_question() {
    for _ in $(seq 20); do
        xdotool mousemove 512 384 key alt+F4
        sleep 0.7
        # The box stands centred in the upper half of the screen, OK on the left.
        xdotool mousemove 466 300 click 1
        for _ in $(seq 20); do
            kill -0 "$1" 2>/dev/null || return 0
            sleep 0.1
        done
    done
    return 1
}

# Screenshots of the game's window: X and Y hold the window's position on the screen (from xdotool
# getwindowgeometry) and $work the test's scratch folder; each test defines fail.
shot() { import -window root "$work/shot.png" 2>/dev/null || fail "no screenshot"; }
# Pixels of the last screenshot inside game rectangle (x, y, w, h) whose grey level is above 80 %:
# the white glyphs of the text on the dark window.
bright() {
    convert "$work/shot.png" -crop "$3x$4+$((X + $1))+$((Y + $2))" +repage -colorspace gray -threshold 80% \
        -format "%[fx:int(mean*w*h+0.5)]" info:
}
# Pixels of game rectangle (x, y, w, h) of the last screenshot that differ from the same rectangle of
# a picture of the game's size.
differing() {
    convert "$work/shot.png" -crop "$4x$5+$((X + $2))+$((Y + $3))" +repage "$work/a.png"
    convert "$1" -crop "$4x$5+$2+$3" +repage "$work/b.png"
    compare -metric AE "$work/a.png" "$work/b.png" null: 2>&1 | cut -d' ' -f1
}
# A click (button $3, the left one by default) at game point (x, y).
click() { xdotool mousemove $((X + $1)) $((Y + $2)) click "${3:-1}"; }
