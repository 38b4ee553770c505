#!/usr/bin/env bash
# Plays the sample game's opening movie through the real binary in a real window (run through
# with-xvfb): answers the start-up dialog with "播放", lets the logo pass at once (the fade-cut option
# set in a short save/Config.dat, the rest left at its defaults), sees the movie's pictures in the
# window, then the title menu, and quits through the quit question.
#
#   movie_window_test.sh KESTREL GAME_FOLDER ASSET_FOLDER
set -u
kestrel=$1
. "$(dirname "$0")/../support/game_window.sh"
source_game=$2
assets=$3
sample_game_setup
mkdir "$work/game/save"
# Options up to the fade cut (0x1B): the defaults, then fade cut on.
printf '\x00\x32\x00\x00\x32\x32\x00\x00%s\x00\x01' "$(printf '\x32%.0s' $(seq 18))" >"$work/game/save/Config.dat"

GAME_LOG="$work/log" start_game "$kestrel"
xdotool mousemove 512 384
wait_for_window '^ $' >/dev/null || fail "no start-up dialog"
sleep 0.5
xdotool key Tab Tab Tab space # "播放" in the second group
sleep 0.3
xdotool key Return
wid=$(wait_for_window '^Kestrel$') || fail "no main window"
sleep 0.2
eval "$(xdotool getwindowgeometry --shell "$wid")" # X, Y, WIDTH, HEIGHT
xdotool mousemove $((X + 500)) $((Y + 300))

wait_for_movie || fail "no movie picture in the window"

title=0
for _ in $(seq 60); do
    sleep 0.25
    shot
    if [ "$(differing "$assets/system/title_bg.bmp" 0 0 1024 480)" = 0 ]; then
        title=1
        break
    fi
done
[ "$title" = 1 ] || fail "the title menu did not follow the movie"

quit_through_question "$pid" || fail "the game did not end"
wait "$pid"
rc=$?
pid=
[ $rc -eq 0 ] || fail "the game ended with $rc"
echo "1 passed, 0 failed"
