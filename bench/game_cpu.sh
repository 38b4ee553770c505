#!/usr/bin/env bash
# CPU used by the running game on pages that do not change: the Release game on the sample game in
# an X server of its own (Xvfb), on the title menu and on a message page whose text is complete, once
# with SDL's default renderer and once with its plain software output (the software renderer drawing
# straight into the window's own framebuffer, not through an accelerated one), in the same run.
# Prints per cent of one core, the median of several windows of a few seconds each.
#
#   bench/game_cpu.sh [BUILD_DIR]    (default build/rel, configured as Release)
#
# It runs the real game, and only one game may run for a user at a time (the single-instance guard):
# two runs of it wait for each other on a lock; do not run it beside the real-window tests.
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$top/build/rel}" && pwd)
lock=/tmp/kestrel-realwindow.lock
if [ "${KESTREL_CPU_LOCKED:-}" != 1 ]; then
    KESTREL_CPU_LOCKED=1 exec flock "$lock" "$0" "$build"
fi
windows=${KESTREL_CPU_WINDOWS:-5} # measuring windows per page
seconds=${KESTREL_CPU_SECONDS:-2} # length of one window

cmake --build "$build" --target kestrel sample_game >/dev/null
grep -q '^CMAKE_BUILD_TYPE:STRING=Release$' "$build/CMakeCache.txt" ||
    echo "warning: $build is not a Release build" >&2

# One renderer: $1 is the value of SDL_RENDER_DRIVER (empty: SDL's choice; "software" also keeps
# the window's framebuffer unaccelerated). Run inside with-xvfb. Prints "title message" per cent.
measure() {
    . "$top/tests/support/game_window.sh"
    # (globals: the EXIT trap reads them)
    work=$(mktemp -d)
    trap '[ -n "${pid:-}" ] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT
    cp -r "$build/sample/game" "$work/game"
    rm -rf "$work/game/save"
    cd "$work/game"
    export SDL_AUDIODRIVER=dummy
    unset SDL_RENDER_DRIVER SDL_FRAMEBUFFER_ACCELERATION
    if [ "$1" = software ]; then
        export SDL_RENDER_DRIVER=software SDL_FRAMEBUFFER_ACCELERATION=0
    fi
    "$build/kestrel" >"$work/log" 2>&1 &
    pid=$!
    xdotool mousemove 512 384
    wait_for_window '^ $' >/dev/null || { echo "no start-up dialog" >&2; return 1; }
    answer_dialog_skipping_movie
    local wid
    wid=$(wait_for_window '^Kestrel$') || { echo "no main window" >&2; return 1; }
    sleep 0.3
    eval "$(xdotool getwindowgeometry --shell "$wid")" # X, Y
    shot() { import -window root "$work/shot.png" 2>/dev/null; }
    # Pixels of game rectangle (x, y, w, h) of the last screenshot that differ from the title picture.
    off_title() {
        convert "$work/shot.png" -crop "$3x$4+$((X + $1))+$((Y + $2))" +repage "$work/a.png"
        convert "$build/sample/assets/system/title_bg.bmp" -crop "$3x$4+$1+$2" +repage "$work/b.png"
        compare -metric AE "$work/a.png" "$work/b.png" null: 2>&1 | cut -d' ' -f1
    }
    # Bright pixels of game rectangle (x, y, w, h): the text in the message window.
    bright() {
        convert "$work/shot.png" -crop "$3x$4+$((X + $1))+$((Y + $2))" +repage -colorspace gray \
            -threshold 80% -format "%[fx:int(mean*w*h+0.5)]" info:
    }
    # Median CPU per cent of one core of the game over the measuring windows.
    cpu() {
        local hz samples=() a b
        hz=$(getconf CLK_TCK)
        sleep 1 # let the page settle
        for _ in $(seq "$windows"); do
            a=$(awk '{print $14 + $15}' "/proc/$pid/stat")
            sleep "$seconds"
            b=$(awk '{print $14 + $15}' "/proc/$pid/stat")
            samples+=("$(awk -v d=$((b - a)) -v hz="$hz" -v s="$seconds" 'BEGIN {printf "%.1f", 100 * d / hz / s}')")
        done
        printf '%s\n' "${samples[@]}" | sort -n | awk '{v[NR] = $1} END {print v[int((NR + 1) / 2)]}'
    }

    # The logo cut short with Ctrl held, then the title menu.
    xdotool mousemove $((X + 500)) $((Y + 300)) keydown ctrl
    for _ in $(seq 60); do
        shot && [ "$(off_title 0 0 1024 480)" = 0 ] && break
        sleep 0.25
    done
    xdotool keyup ctrl
    [ "$(off_title 0 0 1024 480)" = 0 ] || { echo "no title menu" >&2; return 1; }
    local title message previous=-1 now=0
    title=$(cpu)

    # A new game: the first message page, measured once its text is complete (two shots alike).
    xdotool mousemove $((X + 296)) $((Y + 503)) click 1
    sleep 0.3
    xdotool click 1
    for _ in $(seq 40); do
        sleep 0.4
        shot
        now=$(bright 140 496 760 32)
        [ "$now" -gt 400 ] && [ "$now" = "$previous" ] && break
        previous=$now
    done
    [ "$now" -gt 400 ] || { echo "no message page" >&2; return 1; }
    message=$(cpu)
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    pid=
    echo "$title $message"
}
export -f measure
export top build windows seconds

default=$("$top/tests/support/with-xvfb" -- bash -c 'measure ""')
software=$("$top/tests/support/with-xvfb" -- bash -c 'measure software')
read -r dt dm <<<"$default"
read -r st sm <<<"$software"
echo "CPU of one core, median of $windows windows of ${seconds} s (Xvfb):"
printf '%-14s %18s %18s\n' page "default renderer" "software output"
printf '%-14s %17s%% %17s%%\n' "title menu" "$dt" "$st"
printf '%-14s %17s%% %17s%%\n' "message page" "$dm" "$sm"
echo "limits: message page at most 10% with the default renderer and 3% with the software output"
