# The real game (or the window probe) in a real window: tests that run one at a time, each under an X
# server of its own (tests/support/with-xvfb [WIDTHxHEIGHT] -- SCRIPT ARGUMENTS...). A failing one
# leaves its last screenshot beside its output, as <test name>-fail.png in the tests' build folder.
set(app ${CMAKE_CURRENT_SOURCE_DIR}/app)
function(real_window_test name timeout)
    add_test(NAME ${name} COMMAND ${CMAKE_SOURCE_DIR}/tests/support/with-xvfb ${ARGN})
    set_tests_properties(${name} PROPERTIES TIMEOUT ${timeout} RUN_SERIAL TRUE
        ENVIRONMENT "KESTREL_FAIL_PICTURE=${CMAKE_CURRENT_BINARY_DIR}/${name}-fail.png")
endfunction()

# The start-up dialog and the quit question answered by synthetic keys.
real_window_test(RealWindow.StartsAnswersDialogAndQuitsThroughQuestion 240
    -- ${app}/real_window_test.sh $<TARGET_FILE:kestrel>)

# The game's display dies while a box is up: the game ends in order, and the next start is not stopped.
real_window_test(RealWindow.DisplayLostWithABoxUpEndsTheGameInOrder 120
    -- ${app}/display_lost_test.sh $<TARGET_FILE:kestrel>)

# The headless game harness of the test support library calls into the application layer, which comes
# before the support library on the link line; name the engine once more after it.
foreach(t test_app test_screens)
    if(TARGET ${t})
        target_link_libraries(${t} PRIVATE kestrel_engine)
    endif()
endforeach()

# The game's window with a known picture in the back buffer: screenshots in the window and in full
# screen (letterboxed on 1024x768, over the whole screen on 1920x1080), and clicks injected into the
# window mapped back to game coordinates.
add_executable(app_window_probe ${CMAKE_CURRENT_SOURCE_DIR}/app/window_probe.cpp)
target_link_libraries(app_window_probe PRIVATE kestrel_engine)
target_compile_definitions(app_window_probe PRIVATE KESTREL_WINDOW_PROBE)
foreach(size 1024x768 1920x1080)
    real_window_test(RealWindow.PictureAndClicksInWindowAndFullScreen.${size} 120
        ${size} -- ${app}/window_picture_test.sh $<TARGET_FILE:app_window_probe> ${size})
endforeach()

# The sample game: each test copies its game folder afresh and compares the screen with the
# generator's loose pictures.
if(TARGET sample_game)
    set(sample $<TARGET_FILE:kestrel> ${CMAKE_BINARY_DIR}/sample/game ${CMAKE_BINARY_DIR}/sample/assets)

    # Played through from the start-up dialog to the quit question.
    real_window_test(RealWindow.SampleGamePlaysFromTheDialogToTheEnd 120 -- ${app}/sample_play_test.sh ${sample})

    # SIGTERM in the middle of the story: the session's read flags are saved.
    real_window_test(RealWindow.SigtermInTheStorySavesTheReadFlags 120 -- ${app}/signal_story_test.sh ${sample})

    # The opening movie in the window, between the logo and the title menu.
    real_window_test(RealWindow.SampleOpeningMoviePlaysInTheWindow 120 -- ${app}/movie_window_test.sh ${sample})

    # Saved from the message window, quit, started again and loaded from the title menu.
    real_window_test(RealWindow.SampleGameSavesAndLoadsAcrossARestart 180
        -- ${app}/sample_save_load_test.sh ${sample})

    # The hero renamed through the configuration screen's name-entry dialog.
    real_window_test(RealWindow.SampleGameRenamesTheHeroThroughTheNameDialog 180
        -- ${app}/name_entry_play_test.sh ${sample})

    # The extras after the story: the seen picture whole, the unlocked scene replayed.
    real_window_test(RealWindow.SampleExtrasShowThePictureAndReplayTheScene 180
        -- ${app}/sample_extras_test.sh ${sample})

    # The first picture wiped in through its rule mask, then shaken by a quake; the test's own start
    # script (the sample's, assembled with a longer wipe and quake) lets screenshots catch both.
    real_window_test(RealWindow.SampleTransitionAndQuakeShow 120 -- ${app}/sample_transition_test.sh ${sample}
        $<TARGET_FILE:sasm> ${CMAKE_SOURCE_DIR}/sample/scripts/start.sasm)

    # The search of the street: the search screen's strip, then a spot's message.
    real_window_test(RealWindow.SampleSearchShowsTheStreetAndASpotsMessage 180
        -- ${app}/sample_search_test.sh ${sample})

    # The whole game, in parts that each drive the game from a fresh folder to where they start: the
    # opening; the first ending with every screen on the way and a save at the crossroads; the save
    # loaded after a restart and the second ending; the extras that both endings unlocked. A part takes
    # one to two minutes; the limit leaves room for a machine busy with other work.
    foreach(part opening first_ending second_ending extras)
        real_window_test(RealWindow.WholeGame.${part} 300 -- ${app}/whole_game_${part}.sh ${sample})
    endforeach()
endif()
