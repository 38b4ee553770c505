#!/usr/bin/env bash
# Runs the window probe under an X server of its own (through with-xvfb WxH): the known picture must
# appear in a screenshot at the place of the window, then, after Alt+Enter, over the screen in full
# screen; clicks injected with xdotool must reach the mouse object at the right game coordinates.
set -u
probe=$1
size=$2
screen_w=${size%x*}
screen_h=${size#*x}
. "$(dirname "$0")/../support/game_window.sh"
scratch_setup
cd "$work" || exit 1
mkdir save
start_game "$probe"

# Waits (up to about 30 s) until the log has a line matching $1 (a grep pattern).
wait_for_line() {
    for _ in $(seq 300); do
        grep -q "$1" "$work/log" && return 0
        kill -0 "$pid" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}
# Checks a list of "x y r,g,b" triples against a screenshot, again (up to about ten seconds) until
# one shows them all: the picture of a new size or mode comes when the probe has drawn it.
expect_pixels() {
    local triples x y want got=
    triples=$(cat)
    for _ in $(seq 20); do
        shot
        got=
        while read -r x y want; do
            [ -z "$x" ] && continue
            got=$(convert "$work/shot.png" -format "%[fx:int(255*p{$x,$y}.r+0.5)],%[fx:int(255*p{$x,$y}.g+0.5)],%[fx:int(255*p{$x,$y}.b+0.5)]" info:)
            [ "$got" = "$want" ] || break
            got=
        done <<<"$triples"
        [ -z "$got" ] && return 0
        sleep 0.5
    done
    fail "$1: pixel ($x,$y) is $got, not $want"
}
# Clicks at screen point (x, y) and expects the probe to report game point (gx, gy).
expect_click() {
    local before
    before=$(grep -c '^click' "$work/log")
    xdotool mousemove "$1" "$2" click 1
    for _ in $(seq 100); do
        [ "$(grep -c '^click' "$work/log")" -gt "$before" ] && break
        sleep 0.1
    done
    got=$(grep '^click' "$work/log" | tail -n1)
    [ "$got" = "click $3 $4" ] || fail "click at screen ($1,$2): '$got', not 'click $3 $4'"
}

wait_for_line '^display 0 0 0 1024 576' || fail "no window"
wid=$(xdotool search --name '^Kestrel$' | head -n1)
[ -n "$wid" ] || fail "no window named Kestrel"
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$wid")" # X, Y, WIDTH, HEIGHT
[ "$WIDTH" = 1024 ] && [ "$HEIGHT" = 576 ] || fail "window of ${WIDTH}x$HEIGHT"
ground=32,64,96
expect_pixels window <<END
$((X + 1)) $((Y + 1)) 255,0,0
$((X + 63)) $((Y + 63)) 255,0,0
$((X + 64)) $((Y + 64)) $ground
$((X + 960)) $((Y + 512)) 0,255,0
$((X + 1023)) $((Y + 575)) 0,255,0
$((X + 959)) $((Y + 575)) $ground
$((X + 512)) $((Y + 288)) 255,255,255
$((X + 700)) $((Y + 100)) $ground
END
expect_click $((X + 500)) $((Y + 300)) 500 300
expect_click $((X + 1)) $((Y + 575)) 1 575

# Alt+Enter: full screen at the screen's own size.
xdotool mousemove $((X + 512)) $((Y + 288)) key alt+Return
if [ "$size" = 1024x768 ]; then
    wait_for_line '^display 1 0 96 1024 672' || fail "no letterboxed full screen"
    expect_pixels "full screen" <<END
0 0 0,0,0
1023 95 0,0,0
1 97 255,0,0
63 159 255,0,0
64 160 $ground
1023 671 0,255,0
960 608 0,255,0
500 672 0,0,0
1023 767 0,0,0
512 384 255,255,255
END
    expect_click 512 96 512 0
    expect_click 1023 671 1023 575
    expect_click 512 384 512 288
else
    wait_for_line '^display 1 0 0 1920 1080' || fail "no full screen over the whole screen"
    # 1.875 screen pixels per game pixel: the red square covers 0..119, the green 1800..1919 x 960..1079.
    expect_pixels "full screen" <<END
1 1 255,0,0
118 118 255,0,0
121 121 $ground
1801 961 0,255,0
1919 1079 0,255,0
1798 1079 $ground
960 540 255,255,255
1500 200 $ground
END
    expect_click 960 540 512 288
    expect_click 1919 1079 1023 575
    expect_click 0 0 0 0
fi

# And back to the window.
xdotool key alt+Return
for _ in $(seq 100); do
    [ "$(grep -c '^display 0 0 0 1024 576' "$work/log")" -ge 2 ] && break
    sleep 0.1
done
[ "$(grep -c '^display 0 0 0 1024 576' "$work/log")" -ge 2 ] || fail "not back in the window"
sleep 1
eval "$(xdotool getwindowgeometry --shell "$wid")"
[ "$WIDTH" = 1024 ] && [ "$HEIGHT" = 576 ] || fail "window of ${WIDTH}x$HEIGHT after full screen"
expect_pixels "window again" <<END
$((X + 1)) $((Y + 1)) 255,0,0
$((X + 1023)) $((Y + 575)) 0,255,0
END
expect_click $((X + 10)) $((Y + 20)) 10 20

touch "$work/quit"
for _ in $(seq 200); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "the probe did not end"
wait "$pid" || fail "the probe ended with $?"
pid=
echo "1 passed, 0 failed"
