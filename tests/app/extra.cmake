# The real game in a real window: an X server of its own, the dialog and the quit question answered by
# synthetic keys.
add_test(NAME RealWindow.StartsAnswersDialogAndQuitsThroughQuestion
    COMMAND ${CMAKE_SOURCE_DIR}/tests/support/with-xvfb -- ${CMAKE_CURRENT_SOURCE_DIR}/app/real_window_test.sh
        $<TARGET_FILE:kestrel>)
set_tests_properties(RealWindow.StartsAnswersDialogAndQuitsThroughQuestion PROPERTIES TIMEOUT 240 RUN_SERIAL TRUE)

# The game's display dies while a box is up: the game ends in order, and the next start is not stopped.
add_test(NAME RealWindow.DisplayLostWithABoxUpEndsTheGameInOrder
    COMMAND ${CMAKE_SOURCE_DIR}/tests/support/with-xvfb -- ${CMAKE_CURRENT_SOURCE_DIR}/app/display_lost_test.sh
        $<TARGET_FILE:kestrel>)
set_tests_properties(RealWindow.DisplayLostWithABoxUpEndsTheGameInOrder PROPERTIES TIMEOUT 120 RUN_SERIAL TRUE)

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
    add_test(NAME RealWindow.PictureAndClicksInWindowAndFullScreen.${size}
        COMMAND ${CMAKE_SOURCE_DIR}/tests/support/with-xvfb ${size} --
            ${CMAKE_CURRENT_SOURCE_DIR}/app/window_picture_test.sh $<TARGET_FILE:app_window_probe> ${size})
    set_tests_properties(RealWindow.PictureAndClicksInWindowAndFullScreen.${size}
        PROPERTIES TIMEOUT 120 RUN_SERIAL TRUE)
endforeach()

# The sample game played through from the start-up dialog to the quit question.
if(TARGET sample_game)
    add_test(NAME RealWindow.SampleGamePlaysFromTheDialogToTheEnd
        COMMAND ${CMAKE_SOURCE_DIR}/tests/support/with-xvfb -- ${CMAKE_CURRENT_SOURCE_DIR}/app/sample_play_test.sh
            $<TARGET_FILE:kestrel> ${CMAKE_BINARY_DIR}/sample/game ${CMAKE_BINARY_DIR}/sample/assets)
    set_tests_properties(RealWindow.SampleGamePlaysFromTheDialogToTheEnd PROPERTIES TIMEOUT 120 RUN_SERIAL TRUE)

    # SIGTERM in the middle of the story: the session's read flags are saved.
    add_test(NAME RealWindow.SigtermInTheStorySavesTheReadFlags
        COMMAND ${CMAKE_SOURCE_DIR}/tests/support/with-xvfb -- ${CMAKE_CURRENT_SOURCE_DIR}/app/signal_story_test.sh
            $<TARGET_FILE:kestrel> ${CMAKE_BINARY_DIR}/sample/game)
    set_tests_properties(RealWindow.SigtermInTheStorySavesTheReadFlags PROPERTIES TIMEOUT 120 RUN_SERIAL TRUE)
endif()

# The sample game's opening movie in a real window, between the logo and the title menu.
if(TARGET sample_game)
    add_test(NAME RealWindow.SampleOpeningMoviePlaysInTheWindow
        COMMAND ${CMAKE_SOURCE_DIR}/tests/support/with-xvfb -- ${CMAKE_CURRENT_SOURCE_DIR}/app/movie_window_test.sh
            $<TARGET_FILE:kestrel> ${CMAKE_BINARY_DIR}/sample/game ${CMAKE_BINARY_DIR}/sample/assets)
    set_tests_properties(RealWindow.SampleOpeningMoviePlaysInTheWindow PROPERTIES TIMEOUT 120 RUN_SERIAL TRUE)
endif()

# The sample game saved from the message window, quit, started again and loaded from the title menu.
if(TARGET sample_game)
    add_test(NAME RealWindow.SampleGameSavesAndLoadsAcrossARestart
        COMMAND ${CMAKE_SOURCE_DIR}/tests/support/with-xvfb -- ${CMAKE_CURRENT_SOURCE_DIR}/app/sample_save_load_test.sh
            $<TARGET_FILE:kestrel> ${CMAKE_BINARY_DIR}/sample/game ${CMAKE_BINARY_DIR}/sample/assets)
    set_tests_properties(RealWindow.SampleGameSavesAndLoadsAcrossARestart PROPERTIES TIMEOUT 180 RUN_SERIAL TRUE)
endif()

# The hero renamed in the sample game through the configuration screen's name-entry dialog.
if(TARGET sample_game)
    add_test(NAME RealWindow.SampleGameRenamesTheHeroThroughTheNameDialog
        COMMAND ${CMAKE_SOURCE_DIR}/tests/support/with-xvfb -- ${CMAKE_CURRENT_SOURCE_DIR}/app/name_entry_play_test.sh
            $<TARGET_FILE:kestrel> ${CMAKE_BINARY_DIR}/sample/game ${CMAKE_BINARY_DIR}/sample/assets)
    set_tests_properties(RealWindow.SampleGameRenamesTheHeroThroughTheNameDialog PROPERTIES TIMEOUT 180 RUN_SERIAL TRUE)
endif()

# The sample game's extras after its story: the seen picture whole, the unlocked scene replayed.
if(TARGET sample_game)
    add_test(NAME RealWindow.SampleExtrasShowThePictureAndReplayTheScene
        COMMAND ${CMAKE_SOURCE_DIR}/tests/support/with-xvfb -- ${CMAKE_CURRENT_SOURCE_DIR}/app/sample_extras_test.sh
            $<TARGET_FILE:kestrel> ${CMAKE_BINARY_DIR}/sample/game ${CMAKE_BINARY_DIR}/sample/assets)
    set_tests_properties(RealWindow.SampleExtrasShowThePictureAndReplayTheScene PROPERTIES TIMEOUT 180 RUN_SERIAL TRUE)
endif()

# The sample game's first picture wiped in through its rule mask, then shaken by a quake.
if(TARGET sample_game)
    add_test(NAME RealWindow.SampleTransitionAndQuakeShow
        COMMAND ${CMAKE_SOURCE_DIR}/tests/support/with-xvfb -- ${CMAKE_CURRENT_SOURCE_DIR}/app/sample_transition_test.sh
            $<TARGET_FILE:kestrel> ${CMAKE_BINARY_DIR}/sample/game ${CMAKE_BINARY_DIR}/sample/assets)
    set_tests_properties(RealWindow.SampleTransitionAndQuakeShow PROPERTIES TIMEOUT 120 RUN_SERIAL TRUE)
endif()

# The sample game's search of the street: the search screen's strip, then a spot's message.
if(TARGET sample_game)
    add_test(NAME RealWindow.SampleSearchShowsTheStreetAndASpotsMessage
        COMMAND ${CMAKE_SOURCE_DIR}/tests/support/with-xvfb -- ${CMAKE_CURRENT_SOURCE_DIR}/app/sample_search_test.sh
            $<TARGET_FILE:kestrel> ${CMAKE_BINARY_DIR}/sample/game ${CMAKE_BINARY_DIR}/sample/assets)
    set_tests_properties(RealWindow.SampleSearchShowsTheStreetAndASpotsMessage PROPERTIES TIMEOUT 180 RUN_SERIAL TRUE)
endif()

# The whole sample game in a real window, in parts that each drive the game from a fresh folder to
# where they start: the first ending with every screen on the way and a save at the crossroads; the
# save loaded after a restart and the second ending; the extras that both endings unlocked.
if(TARGET sample_game)
    foreach(part opening first_ending second_ending extras)
        add_test(NAME RealWindow.WholeGame.${part}
            COMMAND ${CMAKE_SOURCE_DIR}/tests/support/with-xvfb -- ${CMAKE_CURRENT_SOURCE_DIR}/app/whole_game_${part}.sh
                $<TARGET_FILE:kestrel> ${CMAKE_BINARY_DIR}/sample/game ${CMAKE_BINARY_DIR}/sample/assets)
        set_tests_properties(RealWindow.WholeGame.${part} PROPERTIES TIMEOUT 180 RUN_SERIAL TRUE)
    endforeach()
endif()
