# shellcheck shell=bash
# Steps of the whole-game tests on the sample game (sourced after tests/support/game_window.sh and
# sample_game_setup; $assets is the generator's folder of loose pictures).

title0="$assets/system/title_bg.bmp"   # no ending seen
title1="$assets/system/title_bg01.bmp" # an ending seen
title2="$assets/system/title_bg02.bmp" # the second ending seen
bridge="$assets/bmp/bg03.bmp"
# The hero's new names, typed as text into the name-entry dialog.
family="林"
given="晓风"


# From the title menu: a new game, on to its first whole page.
new_game() {
    click 296 503
    sleep 0.3
    click 296 503 # cuts the fade-out short
    wait_for_page || fail "no first page"
}

# Plays on from the first script to the system menu over the bridge.
play_to_menu_at_bridge() { play_rounds_until "$bridge" 60 1 menu_over_bridge "$bridge"; }

# Waits until the system menu takes input: its labels have slid in, and its save button shows the
# pointer mark of a hovered label under the pointer.
await_menu() {
    await_lit 763 214 "$assets/system/sys_m_p02.bmp" 169 13 12 12 609 208 ||
        fail "the system menu's save button did not light up under the pointer"
}

# The system menu over the bridge: its save button, slot 1 and Yes; the save screen left with a right
# click, back to the bridge.
save_from_menu() {
    await_menu
    click 763 214
    wait_for "$assets/system/save_base.bmp" 0 0 700 76 || fail "the save screen did not open from the menu"
    sleep 0.5
    click 256 132 # slot 1
    answer_yes "$assets/system/save_parts.bmp"
    for _ in $(seq 30); do
        [ -f save/savefile00.sav ] && break
        sleep 0.2
    done
    leave_slot_page "$assets/system/save_parts.bmp"
    wait_for "$bridge" 140 0 280 150 || fail "the save screen did not return to the bridge"
}

# Closes the system menu over the bridge with a right click once it takes input, waiting for its
# fade-out.
close_menu_over_bridge() {
    await_menu
    click 500 100 3
    for _ in $(seq 40); do
        sleep 0.25
        shot
        menu_over_bridge "$bridge" || return 0
    done
    fail "the system menu over the bridge did not close"
}

# Loads slot 1 from the title menu.
load_from_title() {
    click 404 503
    wait_for "$assets/system/load_base.bmp" 0 0 700 76 || fail "the load screen did not open"
    sleep 0.5
    click 256 132 # slot 1
    answer_yes "$assets/system/load_parts.bmp"
}

# At the bridge, clicks on until choice $1 is taken and the bridge gives way to the ending.
take_choice() {
    for _ in $(seq 30); do
        shot
        at_bridge "$bridge" || return 0
        menu_over_bridge "$bridge" && fail "the system menu is still over the bridge"
        # shellcheck disable=SC2046
        click $(choice_point "$1")
        sleep 0.6
    done
    fail "choice $1 was not taken"
}

# Clicks through $1 pages of an ending, then waits for the staff roll over background picture $2
# (right of both rolls' strips).
through_ending_to_roll() {
    for _ in $(seq "$1"); do
        wait_for_page || fail "no page of the ending"
        click 500 300
        sleep 0.8
    done
    wait_for "$2" 700 0 324 576 || fail "no staff roll over $(basename "$2")"
}

# Byte $2 of file $1 and the $3 after it, as unsigned decimals, must read $4 (what: $5).
expect_bytes() {
    local got
    got=$(od -An -tu1 -v -j "$2" -N "$3" "$1" | tr -s ' \n' ' ' | sed 's/^ //; s/ $//')
    [ "$got" = "$4" ] || fail "$5 in $1: $got, not $4"
}
# The zero-terminated field at byte $2 of file $1 must hold text $3 (UTF-8 here, game text in the
# file) (what: $4).
expect_text() {
    local want got length
    want=$(printf '%s' "$3" | iconv -f UTF-8 -t GBK | od -An -tx1 -v | tr -s ' \n' ' ' | sed 's/^ //; s/ $//')
    length=$(printf '%s' "$3" | iconv -f UTF-8 -t GBK | wc -c)
    got=$(od -An -tx1 -v -j "$2" -N $((length + 1)) "$1" | tr -s ' \n' ' ' | sed 's/^ //; s/ $//')
    [ "$got" = "$want 00" ] || fail "$4 in $1: $got, not $want 00"
}

# The record saved from the system menu at the bridge: it resumes the crossroads script in the
# interpreter, after the line on screen, with the bridge in layer 1 and the bridge's music.
check_bridge_record() {
    [ "$(stat -c %s "$1" 2>/dev/null)" = 255224 ] || fail "no save record of 255224 bytes in $1"
    expect_bytes "$1" $((0xB644)) 1 "2" "resume scene"
    expect_text "$1" $((0xC974)) "ending.s" "script name"
    expect_text "$1" $((0xB6C5)) 'bmp\bg03.bmp' "picture of layer 1"
    expect_text "$1" $((0xC8F4)) "bgm02.ogg" "music"
    expect_text "$1" $((0xCADC)) "在做决定之前，先把这一刻记下来吧。" "text of the current message"
    expect_bytes "$1" $((0xD20F)) 2 "23 10" "clock of that night"
    expect_bytes "$1" $((0xD214)) 4 "0 0 0 0" "place (none away from the street)"
}

# The first run of the later parts, with no checks on the way: a new game to the bridge, saved into
# slot 1 from the system menu, the first ending, the title menu of a seen ending, quit.
first_ending_saved_at_bridge() {
    start_to_title "$title0"
    new_game
    play_to_menu_at_bridge || fail "the story did not reach the system menu at the bridge"
    save_from_menu
    take_choice 1
    play_to_title "$title1" 15 || fail "the first ending did not lead to the title menu"
    quit_game
}

# The record of slot 1 loaded from the title menu: the system menu opens again over the bridge and
# is closed with a right click; then the second choice.
second_ending_from_save() {
    load_from_title
    for _ in $(seq 40); do
        shot
        menu_over_bridge "$bridge" && break
        sleep 0.25
    done
    menu_over_bridge "$bridge" || fail "the loaded game did not resume at the system menu over the bridge"
    close_menu_over_bridge
    take_choice 2
    wait_for "$assets/bmp/ev02a.bmp" 0 0 1024 440 || fail "the dawn's ending did not show its picture"
    shake_at_the_door
    through_ending_to_roll 1 "$assets/system/credit_b.bmp"
}

# The dawn's ending from its first page (the street of the generator's "bmp/ev02a.bmp" still behind
# it): after a click the second page stands while the street shakes along its diagonals, seen as
# screenshots that differ from the still street and from one another; a click on the page ends the
# shake and the street stands still again (a click more while the page is still being written).
shake_at_the_door() {
    local street="$assets/bmp/ev02a.bmp" moved=0
    wait_for_page || fail "no first page of the dawn's ending"
    click 500 300
    rm -f "$work/moved.png"
    for _ in $(seq 60); do
        sleep 0.2
        shot
        [ "$(differing "$street" 100 100 824 300)" = 0 ] && continue
        keep "$work/now.png"
        if [ -f "$work/moved.png" ] &&
            [ "$(compare -metric AE "$work/now.png" "$work/moved.png" null: 2>&1 | cut -d' ' -f1)" != 0 ]; then
            moved=$((moved + 1))
        fi
        mv "$work/now.png" "$work/moved.png"
        [ "$moved" -ge 2 ] && break
    done
    [ "$moved" -ge 2 ] || fail "the street did not shake when she was found at the door"
    for _ in $(seq 4); do
        click 500 300
        street_stands_still "$street" && return 0
    done
    fail "the street did not stand still after the shake"
}
# The street of picture $1 seen in place on five screenshots in a row: a shake passes through its
# rest position twice a period, so one screenshot in place does not tell that it ended.
street_stands_still() {
    wait_for "$1" 0 0 1024 440 || return 1
    for _ in $(seq 4); do
        sleep 0.15
        shot
        [ "$(differing "$1" 0 0 1024 440)" = 0 ] || return 1
    done
}
