# The real game in a real window: an X server of its own, the dialog and the quit question answered by
# synthetic keys.
add_test(NAME RealWindow.StartsAnswersDialogAndQuitsThroughQuestion
    COMMAND ${CMAKE_SOURCE_DIR}/tests/support/with-xvfb -- ${CMAKE_CURRENT_SOURCE_DIR}/app/real_window_test.sh
        $<TARGET_FILE:kestrel>)
set_tests_properties(RealWindow.StartsAnswersDialogAndQuitsThroughQuestion PROPERTIES TIMEOUT 120 RUN_SERIAL TRUE)

# The headless game harness of the test support library calls into the application layer, which comes
# before the support library on the link line; name the engine once more after it.
foreach(t test_app test_screens)
    if(TARGET ${t})
        target_link_libraries(${t} PRIVATE kestrel_engine)
    endif()
endforeach()
