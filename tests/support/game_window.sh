# Shell helpers for the tests that drive the real game in a window of an X server without a window
# manager (sourced). Keys go to the window under the pointer there, or to the window that took the
# focus (a message box takes it while it stands).

# The tools that drive and look at the window run in a UTF-8 locale of their own (C.UTF-8, which
# glibc always has): xdotool reads window names and turns typed text into key events in the locale's
# character set, and refuses Chinese text in the C locale. ImageMagick keeps its temporary files in
# the test's scratch folder. The game runs with exactly the environment the test was given, so that
# a run with no locale at all starts the game with none.
tool() { env LC_ALL=C.UTF-8 MAGICK_TEMPORARY_PATH="${work:-${TMPDIR:-/tmp}}" "$@"; }
xdotool() { tool xdotool "$@"; }
import() { tool import "$@"; }
convert() { tool convert "$@"; }
compare() { tool compare "$@"; }
identify() { tool identify "$@"; }

# Starts an X server of its own with screen $1 (WIDTHxHEIGHT, 24 bits) on the first free display;
# sets xvfb (its process id) and xvfb_display (":N"). The server names its display through a pipe,
# so no file is left. False when it has not named one within 20 s.
start_xvfb() {
    local number
    coproc xvfb_pipe { exec Xvfb -displayfd 1 -screen 0 "$1x24" -nolisten tcp -noreset 2>/dev/null; }
    xvfb=$xvfb_pipe_PID
    read -r -t 20 number <&"${xvfb_pipe[0]}" && [ -n "$number" ] || return 1
    xvfb_display=":$number"
}
# Ends the X server of start_xvfb, if any.
stop_xvfb() {
    [ -n "${xvfb:-}" ] || return 0
    kill "$xvfb" 2>/dev/null
    wait "$xvfb" 2>/dev/null
    xvfb=
    return 0
}

# Every test's start: a scratch folder of its own ($work, the game's log $GAME_LOG in it), removed on
# exit, pass or fail, after the game and any X server of start_xvfb have ended. The game's sound goes
# to SDL's dummy driver: no test has a sound card, and the client of a sound server would leave its
# folders in /tmp. With no XDG_RUNTIME_DIR the game keeps its single-instance guard in
# /tmp/kestrel-<uid>; made during the test, that folder goes too. A failing test leaves its last
# screenshot as $KESTREL_FAIL_PICTURE (extra.cmake names it by the test, beside the test's output).
scratch_setup() {
    # The display driver's libraries are loaded and unloaded at run time, so leak reports from them
    # name no module and cannot be told apart; our own code's leaks are checked by the headless tests.
    export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
    export SDL_AUDIODRIVER=dummy
    work=$(mktemp -d "${TMPDIR:-/tmp}/kestrel-window-test.XXXXXX") || exit 1
    GAME_LOG="$work/log"
    made_guard="/tmp/kestrel-$(id -u)"
    [ -e "$made_guard" ] && made_guard=
    [ -n "${KESTREL_FAIL_PICTURE:-}" ] && rm -f "$KESTREL_FAIL_PICTURE"
    trap 'end_game; stop_xvfb; rm -rf "$work"; [ -z "$made_guard" ] || rm -rf "$made_guard"' EXIT
}

# Starts the game (the command and its arguments) in a process group of its own, its output added to
# the file $GAME_LOG (default /dev/null); sets $pid. end_game kills the whole group, whatever it started.
start_game() {
    setsid "$@" >>"${GAME_LOG:-/dev/null}" 2>&1 &
    pid=$!
}

# Kills the process group of the game started by start_game (the test's EXIT trap calls it, so that
# nothing of a failed test keeps running or holding the game's guard). A game of $pid started
# otherwise has no group of its own: it is killed with its children (a message box may stand in a
# process of its own).
end_game() {
    [ -n "${pid:-}" ] || return 0
    if ! kill -KILL -- "-$pid" 2>/dev/null; then
        for child in $(ps --ppid "$pid" -o pid= 2>/dev/null); do
            kill -KILL "$child" 2>/dev/null
        done
        kill -KILL "$pid" 2>/dev/null
    fi
    wait "$pid" 2>/dev/null
    pid=
    return 0
}

# Waits up to about 20 s for a shown window whose name matches the regular expression $1; prints its
# id.
wait_for_window() {
    local wid
    for _ in $(seq 200); do
        wid=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1)
        [ -n "$wid" ] && { echo "$wid"; return 0; }
        sleep 0.1
    done
    return 1
}

# Waits up to about 15 s for a message box whose caption matches $1 (default the game's title)
# standing over the game's window of the same caption: the narrower of two such windows. Prints its
# id.
wait_for_box() {
    local ids
    for _ in $(seq 150); do
        ids=$(xdotool search --onlyvisible --name "${1:-^Kestrel$}" 2>/dev/null)
        if [ "$(echo "$ids" | grep -c .)" -ge 2 ]; then
            for w in $ids; do
                eval "$(xdotool getwindowgeometry --shell "$w")"
                echo "$WIDTH $w"
            done | sort -n | head -n1 | cut -d' ' -f2
            return 0
        fi
        sleep 0.1
    done
    return 1
}

# The screen position of the centre of button $2 (1 the default OK, 2 Cancel) of the box $1 with $3
# buttons (default 2): the buttons stand in one centred row at the box's foot, 75 x 21 pixels, 9 apart,
# 10 above the lower edge. Prints "x y".
box_button() {
    local count=${3:-2}
    eval "$(xdotool getwindowgeometry --shell "$1")"
    local row=$((count * 75 + (count - 1) * 9))
    echo "$((X + (WIDTH - row) / 2 + ($2 - 1) * 84 + 37)) $((Y + HEIGHT - 10 - 11))"
}

# Answers the start-up dialog (its window must be up) with OK, "不播放" picked in the second radio
# group: Tab from OK reaches Cancel, then the first group, then the second; Down picks it.
answer_dialog_skipping_movie() {
    sleep 0.5 # let it map and draw before keys arrive
    xdotool key Tab Tab Tab Down
    sleep 0.3
    xdotool key Return
}

# Asks the quit question of the game of process $1 with Alt+F4 (the pointer over the game's window)
# and answers it: with a click on its OK button, or with Return when $2 is "key". Again until the
# process has ended (at most 10 tries). Fails when it is still running.
quit_through_question() {
    local box
    for _ in $(seq 10); do
        xdotool mousemove 512 384 key alt+F4
        if box=$(wait_for_box); then
            sleep 0.3 # drawn and focused
            if [ "${2:-}" = key ]; then
                xdotool key Return
            else
                # shellcheck disable=SC2046
                xdotool mousemove $(box_button "$box" 1) click 1
            fi
        fi
        for _ in $(seq 30); do
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
    compare -metric AE "$work/shot.png[$4x$5+$((X + $2))+$((Y + $3))]" "$1[$4x$5+$2+$3]" null: 2>&1 | cut -d' ' -f1
}
# The last screenshot's game picture, kept as $1.
keep() { convert "$work/shot.png" -crop "1024x576+$X+$Y" +repage "$1"; }
# As differing, with channels up to 3 % apart taken as equal: a blend at its top weight may round a
# pixel one step below the picture it brings in.
near() {
    compare -fuzz 3% -metric AE "$work/shot.png[$4x$5+$((X + $2))+$((Y + $3))]" "$1[$4x$5+$2+$3]" null: 2>&1 |
        cut -d' ' -f1
}
# Waits (up to about fifteen seconds) until game rectangle ($2..$5) of the screen equals that of
# picture $1. Screenshots follow each other closely, so that a picture that stands for a second or
# two is caught on a busy machine too.
wait_for() {
    local until=$((SECONDS + 15))
    while [ "$SECONDS" -le "$until" ]; do
        shot
        [ "$(differing "$@")" = 0 ] && return 0
        sleep 0.1
    done
    return 1
}
# Waits until the text band of the bottom window holds a whole page (two screenshots alike, text in
# it).
wait_for_page() {
    local previous=-1 now=0
    for _ in $(seq 50); do
        sleep 0.4
        shot
        now=$(bright 140 496 760 32)
        [ "$now" -gt 400 ] && [ "$now" = "$previous" ] && return 0
        previous=$now
    done
    return 1
}
# A click (button $3, the left one by default) at game point (x, y).
click() { xdotool mousemove $((X + $1)) $((Y + $2)) click "${3:-1}"; }

# Finds the game's window; sets wid (its id), X, Y, WIDTH and HEIGHT.
find_game_window() {
    wid=$(wait_for_window '^Kestrel$') || fail "no main window"
    sleep 0.3
    eval "$(xdotool getwindowgeometry --shell "$wid")"
    [ "$WIDTH" = 1024 ] && [ "$HEIGHT" = 576 ] || fail "window of ${WIDTH}x$HEIGHT"
}

# Starts the game ($kestrel, its log in $work/log), answers the dialog skipping the movie, cuts the
# logo short with Ctrl and waits for the title menu showing picture $1.
start_to_title() {
    GAME_LOG="$work/log" start_game "$kestrel"
    xdotool mousemove 512 384
    wait_for_window '^ $' >/dev/null || fail "no start-up dialog"
    answer_dialog_skipping_movie
    find_game_window
    xdotool mousemove $((X + 500)) $((Y + 300)) keydown ctrl
    wait_for "$1" 0 0 1024 480
    local shown=$?
    xdotool keyup ctrl
    [ "$shown" = 0 ] || fail "the title menu did not appear"
}

# Quits through the quit question; the game must end with 0.
quit_game() {
    quit_through_question "$pid" || fail "the game did not end"
    wait "$pid"
    local rc=$?
    pid=
    [ $rc -eq 0 ] || fail "the game ended with $rc"
}

# Waits (up to about twelve seconds) until the game's picture shows a movie: the movies' gradients
# have thousands of colours, the logos, the title and black a few hundred at most.
wait_for_movie() {
    for _ in $(seq 60); do
        shot
        [ "$(convert "$work/shot.png" -crop "1024x576+$X+$Y" +repage -format %k info:)" -gt 2000 ] && return 0
        sleep 0.2
    done
    return 1
}

# Waits (up to about twelve seconds) until the text band of the bottom window shows text.
wait_for_message() {
    for _ in $(seq 40); do
        sleep 0.3
        shot
        [ "$(bright 140 496 760 32)" -gt 200 ] && return 0
    done
    return 1
}

# The id of a window whose caption holds $1 (a literal, compared as bytes: the pattern search of
# xdotool does not take UTF-8 in every locale); wait_for_titled waits up to 10 s for it.
titled() {
    local w
    for w in $(xdotool search --name '.' 2>/dev/null); do
        xdotool getwindowname "$w" 2>/dev/null | grep -qF "$1" && { echo "$w"; return 0; }
    done
    return 1
}
wait_for_titled() {
    for _ in $(seq 100); do
        titled "$1" && return 0
        sleep 0.1
    done
    return 1
}

# The clicks that go round the places the sample's investigation day needs (each also goes on in a
# message): the command column's map row, the flats on the map, the neighbour's row, the topic kind,
# the first list row, the keyword command, its second category, the end of the legwork and the Yes of
# its question.
day_clicks=("964 78" "500 300" "963 48" "852 129" "653 38" "964 158" "852 194" "906 415" "450 316")

# One click at game point "x y" ($1) with Ctrl held, which cuts the full-screen sequences short.
ctrl_click() {
    xdotool keydown ctrl
    # shellcheck disable=SC2086
    click $1
    sleep 0.15
    xdotool keyup ctrl
}

# The sample story's crossroads, the bridge of picture $1 (the generator's "bmp/bg03.bmp"), in the
# last screenshot: above the choice panels and left of the dark band of the system menu.
at_bridge() { [ "$(differing "$1" 140 0 280 150)" = 0 ]; }
# The system menu over the bridge: its band darkens the right half of the picture.
menu_over_bridge() { at_bridge "$1" && [ "$(differing "$1" 600 0 400 150)" != 0 ]; }
# The game point of the centre of choice panel $1 (1 or 2) of a two-choice list.
choice_point() { echo "500 $((190 + 76 * ($1 - 1)))"; }
# True when game rectangle ($2..$5) of the last screenshot equals that of picture $1.
shows() { [ "$(differing "$@")" = 0 ]; }
# True when more than $1 pixels of game rectangle ($3..$6) of the last screenshot differ from those
# of picture $2 (a button lit, a slot holding a thumbnail).
differs_by_more() {
    local n=$1
    shift
    [ "$(differing "$@")" -gt "$n" ]
}
# Runs the check $@ on new screenshots until it holds (up to about ten seconds): what a click or a
# move brings shows once the game has drawn it. False when it never holds.
eventually() {
    local until=$((SECONDS + 10))
    while :; do
        shot
        "$@" && return 0
        [ "$SECONDS" -lt "$until" ] || return 1
        sleep 0.2
    done
}

# True when the last screenshot shows cell (x, y, w, h) = ($2..$5) of parts picture $1 with its
# top-left at game point ($6, $7): a button in its lit look. The parts are drawn with their own alpha
# over the screen, so a margin of 2 pixels round the cell is left out and channels up to 10 % apart
# are taken as equal, which still tells a lit button from an unlit one.
lit() {
    local w=$(($4 - 4)) h=$(($5 - 4))
    [ "$(compare -fuzz 10% -metric AE "$work/shot.png[${w}x$h+$((X + $6 + 2))+$((Y + $7 + 2))]" \
        "$1[${w}x$h+$(($2 + 2))+$(($3 + 2))]" null: 2>&1 | cut -d' ' -f1)" = 0 ]
}
# Puts the pointer on game point ($1, $2) and waits (up to about ten seconds) until a screenshot shows
# the button there lit (lit with the arguments from $3 on). A screen draws a button lit only in the
# step that reads the mouse; a click sent while it still fades or slides in is lost (its button byte
# follows the button and nothing reads it then), and a fade's picture can look finished before the
# fade has ended.
await_lit() {
    xdotool mousemove $((X + $1)) $((Y + $2))
    shift 2
    eventually lit "$@"
}

# Plays the sample story on, at most $2 rounds of the day's clicks, until the command $4... holds
# after a round (its screenshot taken), taking choice $3 at the crossroads, the bridge of picture
# $1: there a right click closes the system menu and a click takes the choice. The command named by
# $observe, when set, is run after every click with its point. False when the command never holds.
play_rounds_until() {
    local at bridge=$1 rounds=$2 choice=$3
    shift 3
    for _ in $(seq "$rounds"); do
        for at in "${day_clicks[@]}"; do
            ctrl_click "$at"
            [ -n "${observe:-}" ] && "$observe" "$at"
        done
        shot
        "$@" && return 0
        if menu_over_bridge "$bridge"; then
            click 500 100 3
            sleep 0.8
        elif at_bridge "$bridge"; then
            # shellcheck disable=SC2046
            click $(choice_point "$choice")
        fi
    done
    return 1
}
# Plays the sample story on to the title menu showing picture $1 (cut to the menu's upper part), at
# most $2 rounds (40), taking choice $3 (1 by default: the first ending) at the crossroads.
play_to_title() { play_rounds_until "${1%/system/*}/bmp/bg03.bmp" "${2:-40}" "${3:-1}" shows "$1" 0 0 1024 480; }

# Plays the sample story, at most $1 rounds of the day's clicks, until the command $2 succeeds; it is
# run after every click with the click's point (and may click too). False when it never does.
play_until() {
    local check=$2 at
    for _ in $(seq "$1"); do
        for at in "${day_clicks[@]}"; do
            ctrl_click "$at"
            $check "$at" && return 0
        done
    done
    return 1
}

# Binds each character of text $1 that is not ASCII to a free key of the X server's keymap, for the
# test's whole run. Without it xdotool binds a spare key for each character it types and takes the
# binding back right after: a game that reads the key later, as on a busy machine, reads nothing.
bind_keys() {
    local code
    for code in $(printf '%s' "$1" | iconv -f UTF-8 -t UTF-32BE | od -An -v -tx1 | tr -d ' \n' | fold -w8); do
        [ $((16#$code)) -ge 128 ] || continue
        xmodmap -e "keycode any = U$(printf %04X $((16#$code)))" || fail "no free key for U+$code"
    done
}

# The name-entry dialog (window $dialog, its geometry in DX, DY, DWIDTH and DHEIGHT) with the pointer
# over it: family name $1 and given name $2 typed as text into its two fields and accepted with
# Return; waits for the dialog to close.
enter_names() {
    bind_keys "$1$2"
    xdotool mousemove $((DX + DWIDTH / 2)) $((DY + 5))
    sleep 0.2
    xdotool key BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace
    xdotool type --delay 80 "$1"
    xdotool key Tab BackSpace BackSpace BackSpace BackSpace BackSpace BackSpace
    xdotool type --delay 80 "$2"
    sleep 0.3
    accept_names "the dialog did not accept the names"
}

# Return in the name-entry dialog: waits for it to close, or fails with $1.
accept_names() {
    xdotool key Return
    for _ in $(seq 75); do
        titled "更改主人公" >/dev/null || break
        sleep 0.2
    done
    titled "更改主人公" >/dev/null && fail "$1"
    sleep 0.5
}

# Opens a screen of the extras: clicks game point $1 (the title menu's extras button, a tab of the
# extras' frame) and waits, the pointer out of the way, for the title band of the screen's picture
# $2, then for its slots (a screenshot taken).
open_extras() {
    # shellcheck disable=SC2086
    click $1
    xdotool mousemove $((X + 900)) $((Y + 300))
    wait_for "$2" 0 0 700 76 || fail "the screen of $(basename "$2") did not open" # the title band
    sleep 0.6
    shot
}

# The sample's search screen (the street outside the flats, or the room upstairs) in a new
# screenshot: its title strip's opaque band between the texts and the leave button is that of
# "system/search.bmp" of the generator's folder $assets.
strip_shown() {
    shot
    convert "$work/shot.png" -crop "540x70+$((X + 400))+$Y" +repage "$work/a.png"
    convert "$assets/system/search.bmp" -alpha off -crop 540x70+400+0 +repage "$work/b.png"
    [ "$(compare -metric AE "$work/a.png" "$work/b.png" null: 2>&1 | cut -d' ' -f1)" = 0 ]
}
# Game points of the sample's search: the command column's search row; spots 1 to 3 of the street's
# hit mask (the lamp, the lit windows, the road) and spot 2 of the room's (the door).
search_row="964 118"
lamp="394 300"
lit_windows="510 200"
road="300 480"
door="780 300"
# A click on the search row of the command column, which opens the search screen once the row is
# offered; elsewhere in the day the point is on nothing (or goes on in a message).
try_search() {
    # shellcheck disable=SC2086
    click $search_row
    sleep 0.2
    strip_shown
}

# Clicks at game point $1 until the search screen's strip is back over picture $2.
search_again() {
    for _ in $(seq 30); do
        # shellcheck disable=SC2086
        click $1
        sleep 0.4
        strip_shown && [ "$(differing "$2" 0 120 1024 300)" -lt 3000 ] && return 0
    done
    return 1
}
# After a click on the road: clicks on through the passers-by's messages (beside the list's rows,
# which picks nothing) until the rumour list shows its rows.
show_rumour_list() {
    for _ in $(seq 20); do
        click 300 300
        sleep 0.5
        shot
        [ "$(bright 560 32 200 52)" -gt 20 ] && return 0
    done
    return 1
}

# The save and load screens, whose parts picture is $1 (the generator's "system/save_parts.bmp" or
# "system/load_parts.bmp"). After a click on a slot: waits until the confirmation box takes the
# answer (its Yes lit under the pointer) and answers Yes.
answer_yes() {
    await_lit 450 317 "$1" 396 238 105 44 398 295 || fail "the confirmation box did not open"
    click 450 317
}
# After the answer: waits until the box has closed and the screen takes input again (its back button
# lit under the pointer), then leaves the screen with a right click.
leave_slot_page() {
    await_lit 986 50 "$1" 0 202 64 36 954 32 || fail "the confirmation box did not close"
    click 500 20 3
}

# For the tests on the sample game: scratch_setup, then the game folder $source_game copied afresh
# into $work/game, which is entered.
sample_game_setup() {
    scratch_setup
    cp -r "$source_game" "$work/game"
    rm -rf "$work/game/save"
    cd "$work/game" || exit 1
}
# The message, the end of the game's log and the last screenshot taken (one is taken if there is
# none), kept as $KESTREL_FAIL_PICTURE; the test fails.
fail() {
    echo "FAIL: $*"
    [ -f "$work/log" ] && tail -n 30 "$work/log"
    if [ -n "${KESTREL_FAIL_PICTURE:-}" ]; then
        [ -f "$work/shot.png" ] || import -window root "$work/shot.png" 2>/dev/null
        [ -f "$work/shot.png" ] && cp "$work/shot.png" "$KESTREL_FAIL_PICTURE" &&
            echo "last screenshot: $KESTREL_FAIL_PICTURE"
    fi
    exit 1
}
