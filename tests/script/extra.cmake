# The sasm tool end to end: assemble a source, disassemble the file, assemble that again; a bad
# source fails with status 1.
if(TARGET sasm)
    add_test(NAME Sasm.ToolRoundTripsAFile
        COMMAND ${CMAKE_COMMAND} -DSASM=$<TARGET_FILE:sasm>
            -DSOURCE=${CMAKE_CURRENT_SOURCE_DIR}/script/sasm_tool_check.sasm
            -DWORK=${CMAKE_CURRENT_BINARY_DIR}/sasm_tool_check
            -P ${CMAKE_CURRENT_SOURCE_DIR}/script/sasm_tool_check.cmake)
endif()

# The sample game's scripts name only pictures, sounds and scripts that its build makes; and the
# check fails on a script that names what is not there.
if(TARGET sample_game)
    add_test(NAME SampleGame.ScriptsNameOnlyFilesOfTheGame
        COMMAND ${CMAKE_COMMAND} -DSCRIPTS=${CMAKE_SOURCE_DIR}/sample/scripts -DASSETS=${CMAKE_BINARY_DIR}/sample/assets
            -P ${CMAKE_CURRENT_SOURCE_DIR}/script/sample_names_check.cmake)
    add_test(NAME SampleGame.NamesCheckFailsOnAMissingName
        COMMAND ${CMAKE_COMMAND} -DSCRIPTS=${CMAKE_CURRENT_SOURCE_DIR}/script/names_check_bad
            -DASSETS=${CMAKE_BINARY_DIR}/sample/assets -P ${CMAKE_CURRENT_SOURCE_DIR}/script/sample_names_check.cmake)
    set_tests_properties(SampleGame.NamesCheckFailsOnAMissingName PROPERTIES
        PASS_REGULAR_EXPRESSION
        "bad.sasm:3: LoadBg 1, \"bmp.*nowhere.bmp\".*bad.sasm:4: JumpScript \"nowhere.s\".*bad.sasm:5: LoadCharBase 0")
endif()
