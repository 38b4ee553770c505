#!/usr/bin/env bash
# SIGTERM in the middle of the sample game's story (run through with-xvfb): the game ends as an
# answered close does, and save/Config.dat holds the read flags of the pages shown in that session.
#
#   signal_story_test.sh KESTREL GAME_FOLDER ASSET_FOLDER
set -u
kestrel=$1
. "$(dirname "$0")/../support/game_window.sh"
source_game=$2
assets=$3
sample_game_setup
# Bright pixels (the text's white glyphs) in the message window's text band of a new screenshot.
band() {
    import -window root "$work/shot.png" 2>/dev/null || fail "no screenshot"
    convert "$work/shot.png" -crop "760x32+$((X + 140))+$((Y + 496))" +repage -colorspace gray -threshold 80% \
        -format "%[fx:int(mean*w*h+0.5)]" info:
}
# Waits until the band holds a page other than the one counted $1: many bright pixels, alike in two
# screenshots in a row. Prints the count.
wait_for_page() {
    local previous=-1 now
    for _ in $(seq 40); do
        sleep 0.4
        now=$(band)
        if [ "$now" -gt 400 ] && [ "$now" != "$1" ] && [ "$now" = "$previous" ]; then
            echo "$now"
            return 0
        fi
        previous=$now
    done
    return 1
}

# The logo cut short with Ctrl held, then "new game" on the title menu (a second click cuts its
# fade-out short): the first page, then a click for the second.
start_to_title "$assets/system/title_bg.bmp"
title=$(band)
xdotool mousemove $((X + 296)) $((Y + 503)) click 1
sleep 0.3
xdotool click 1
first=$(wait_for_page "$title") || fail "no first page of the story"
xdotool mousemove $((X + 500)) $((Y + 300)) click 1
wait_for_page "$first" >/dev/null || fail "no second page of the story"

kill -TERM "$pid"
for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
wait "$pid"
rc=$?
pid=
[ $rc -eq 0 ] || fail "the game ended with $rc"
[ "$(stat -c %s save/Config.dat 2>/dev/null)" = 62258 ] || fail "no Config.dat of 62258 bytes"
# The story's first page, message 1, was read and left in this session; its read flag is the byte at
# 0x7A4 + 1. Message 0 is no page of the story.
flags=$(od -An -tu1 -j $((0x7A4)) -N 2 save/Config.dat | tr -s ' ' | sed 's/^ //')
[ "$flags" = "0 1" ] || fail "read flags of ids 0 and 1: $flags"
echo "1 passed, 0 failed"
