# The real game in a real window: an X server of its own, the dialog and the quit question answered by
# synthetic keys.
add_test(NAME RealWindow.StartsAnswersDialogAndQuitsThroughQuestion
    COMMAND ${CMAKE_SOURCE_DIR}/tests/support/with-xvfb -- ${CMAKE_CURRENT_SOURCE_DIR}/app/real_window_test.sh
        $<TARGET_FILE:kestrel>)
set_tests_properties(RealWindow.StartsAnswersDialogAndQuitsThroughQuestion PROPERTIES TIMEOUT 120 RUN_SERIAL TRUE)
