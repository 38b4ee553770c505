#!/usr/bin/env bash
# Starts the real game under an X server of its own (run through with-xvfb): answers the start-up
# dialog with the keyboard, checks that a second start exits with 0 at once, closes the window through
# the quit question and checks the files the game leaves in its folder.
set -u
kestrel=$1
. "$(dirname "$0")/../support/game_window.sh"
# The display driver's libraries are loaded and unloaded at run time, so leak reports from them name no
# module and cannot be told apart; our own code's leaks are checked by the headless tests.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
game=$(mktemp -d)
trap 'rm -rf "$game"' EXIT
cd "$game"
fail() { echo "FAIL: $*"; tail -n 30 "$game/log"; [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null; exit 1; }

"$kestrel" >"$game/log" 2>&1 &
pid=$!
xdotool mousemove 512 384
wait_for_window '^ $' >/dev/null || fail "no start-up dialog"
[ -e save ] && [ -d save ] || fail "the save folder is not made before the dialog"
[ -e save/User_Sys.dat ] && fail "settings written before the dialog ended"
answer_dialog_skipping_movie
wait_for_window '^Kestrel$' >/dev/null || fail "no main window"
[ "$(od -An -tx1 save/User_Sys.dat | tr -d ' ')" = "0001" ] || fail "User_Sys.dat: $(od -An -tx1 save/User_Sys.dat)"

# A second start raises the first and ends with 0, writing nothing.
timeout 20 "$kestrel" >"$game/log2" 2>&1
rc=$?
[ $rc -eq 0 ] || fail "second start ended with $rc: $(cat "$game/log2")"
kill -0 "$pid" 2>/dev/null || fail "the first instance ended"

# Alt+F4 asks the quit question; a click on its OK button answers it.
quit_through_question "$pid" || fail "the game did not end"
wait "$pid"
rc=$?
[ $rc -eq 0 ] || fail "the game ended with $rc"
[ -f save/Config.dat ] || fail "no Config.dat"
size=$(stat -c %s save/Config.dat)
[ "$size" -eq 62258 ] || fail "Config.dat has $size bytes"
# Defaults: text speed 50 at 0x01, right-click mode 1 at 0x24, transparency 30 at 0x26.
[ "$(od -An -tu1 -j1 -N1 save/Config.dat | tr -d ' ')" = "50" ] || fail "text speed default"
[ "$(od -An -tu1 -j38 -N1 save/Config.dat | tr -d ' ')" = "30" ] || fail "transparency default"
echo "1 passed, 0 failed"
