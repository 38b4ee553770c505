#!/usr/bin/env bash
# Starts the real game under an X server of its own (run through with-xvfb): answers the start-up
# dialog with the keyboard, checks that a second start exits with 0 at once, closes the window through
# the quit question and checks the files the game leaves in its folder. Then: the quit question drawn
# with no locale at all is the one drawn in C.UTF-8, pixel for pixel; a game killed while the question
# is up leaves nothing that stops the next start; a system data file that cannot be read survives a
# run; SIGTERM ends the game with the save of a close.
set -u
kestrel=$1
. "$(dirname "$0")/../support/game_window.sh"
scratch_setup
mkdir "$work/game"
cd "$work/game" || exit 1
# Starts the game with the environment given before it (env arguments), answers the start-up dialog
# and waits for the main window.
start_to_main_window() {
    start_game env "$@" "$kestrel"
    xdotool mousemove 512 384
    wait_for_window '^ $' >/dev/null || fail "no start-up dialog"
    answer_dialog_skipping_movie
    wait_for_window '^Kestrel$' >/dev/null || fail "no main window"
    sleep 0.5
}
# Asks the quit question and saves a picture of its box as $1, once two pictures in a row are alike
# (the box drawn whole).
capture_question() {
    xdotool mousemove 512 384 key alt+F4
    box=$(wait_for_box) || fail "no quit question"
    rm -f "$work/box-last.png"
    for _ in $(seq 30); do
        sleep 0.3
        import -window "$box" "$1" 2>/dev/null || fail "no picture of the box"
        [ -f "$work/box-last.png" ] && [ "$(compare -metric AE "$1" "$work/box-last.png" null: 2>&1)" = 0 ] &&
            return 0
        cp "$1" "$work/box-last.png"
    done
    fail "the picture of the box never stood still"
}
wait_exit() { # waits for the game's end; its exit status in $rc
    wait "$pid"
    rc=$?
    pid=
}
config_byte() { od -An -tu1 -j"$1" -N1 save/Config.dat | tr -d ' '; }

# --- First start, in C.UTF-8. ---------------------------------------------------------------------------
start_game "$kestrel"
xdotool mousemove 512 384
wait_for_window '^ $' >/dev/null || fail "no start-up dialog"
[ -e save ] && [ -d save ] || fail "the save folder is not made before the dialog"
[ -e save/User_Sys.dat ] && fail "settings written before the dialog ended"
end_game
start_to_main_window LANG=C.UTF-8
[ "$(od -An -tx1 save/User_Sys.dat | tr -d ' ')" = "0001" ] || fail "User_Sys.dat: $(od -An -tx1 save/User_Sys.dat)"

# A second start raises the first and ends with 0, saying why, writing nothing.
timeout 20 "$kestrel" >"$work/log2" 2>&1
rc=$?
[ $rc -eq 0 ] || fail "second start ended with $rc: $(cat "$work/log2")"
grep -q "already running" "$work/log2" || fail "the second start said nothing: $(cat "$work/log2")"
kill -0 "$pid" 2>/dev/null || fail "the first instance ended"

# The quit question: Escape answers Cancel, Return (where the focus was) OK.
capture_question "$work/box-utf8.png"
xdotool key Escape
sleep 1
kill -0 "$pid" 2>/dev/null || fail "Escape ended the game"
quit_through_question "$pid" key || fail "Return on the quit question did not end the game"
wait_exit
[ $rc -eq 0 ] || fail "the game ended with $rc"
[ -f save/Config.dat ] || fail "no Config.dat"
size=$(stat -c %s save/Config.dat)
[ "$size" -eq 62258 ] || fail "Config.dat has $size bytes"
# Defaults: text speed 50 at 0x01, right-click mode 1 at 0x24, transparency 30 at 0x26.
[ "$(config_byte 1)" = "50" ] || fail "text speed default"
[ "$(config_byte 38)" = "30" ] || fail "transparency default"

# --- No LANG and no LC_* at all: the same box, its text drawn. ---------------------------------------
# (The single-instance guard stays where the test's caller keeps it.)
start_to_main_window -i PATH=/usr/bin:/bin DISPLAY="$DISPLAY" ASAN_OPTIONS="$ASAN_OPTIONS" SDL_AUDIODRIVER=dummy \
    ${XDG_RUNTIME_DIR:+XDG_RUNTIME_DIR="$XDG_RUNTIME_DIR"}
capture_question "$work/box-none.png"
# The text: dark pixels of the text row, above the buttons (the box's lower 35 rows).
height=$(identify -format %h "$work/box-none.png")
text=$(convert "$work/box-none.png" -crop "0x$((height - 35))+0+0" +repage -colorspace gray -negate \
    -threshold 50% -format "%[fx:int(mean*w*h+0.5)]" info:)
[ "$text" -gt 100 ] || fail "the question's text is not drawn with no locale ($text dark pixels)"
differ=$(compare -metric AE "$work/box-utf8.png" "$work/box-none.png" null: 2>&1 | cut -d' ' -f1)
[ "$differ" = 0 ] || fail "the question with no locale differs from C.UTF-8 in $differ pixels"

# --- Killed while the question is up: the next start shows the start-up dialog. ----------------------
kill -KILL "$pid"
wait "$pid" 2>/dev/null
pid=
start_game "$kestrel"
xdotool mousemove 512 384
wait_for_window '^ $' >/dev/null || fail "no start-up dialog after the game was killed at its question"
sleep 0.5
xdotool key Escape # Cancel: ends with -1, writing nothing
wait_exit
[ $rc -eq 255 ] || fail "Cancel in the start-up dialog ended with $rc"

# --- A Config.dat that cannot be read is left byte for byte as it was. --------------------------------
if [ "$(id -u)" -ne 0 ]; then
    printf 'mine' >save/Config.dat
    chmod 000 save/Config.dat
else # permissions do not stop root: a folder in place of the file cannot be read either
    rm -f save/Config.dat
    mkdir -p save/Config.dat && printf 'mine' >save/Config.dat/inside
fi
start_to_main_window
quit_through_question "$pid" || fail "the game did not end"
wait_exit
[ $rc -eq 0 ] || fail "the game ended with $rc"
grep -q "Config.dat is there but cannot be read" "$work/log" || fail "the unreadable file was not reported"
if [ -f save/Config.dat ]; then
    chmod 600 save/Config.dat
    [ "$(cat save/Config.dat)" = mine ] || fail "the unreadable Config.dat was replaced"
else
    [ "$(cat save/Config.dat/inside)" = mine ] || fail "the folder in place of Config.dat was touched"
fi
rm -rf save/Config.dat

# --- SIGTERM ends the game as an answered close does, with its save. ---------------------------------
start_to_main_window
kill -TERM "$pid"
for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
wait_exit
[ $rc -eq 0 ] || fail "SIGTERM: the game ended with $rc"
[ "$(stat -c %s save/Config.dat 2>/dev/null)" = 62258 ] || fail "SIGTERM: no Config.dat written"
grep -q "ending on signal" "$work/log" || fail "SIGTERM: not reported"
ls save | grep -q '\.tmp' && fail "temporary files left: $(ls save)"
echo "1 passed, 0 failed"
