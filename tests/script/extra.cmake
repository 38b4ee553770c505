# The sasm tool end to end: assemble a source, disassemble the file, assemble that again; a bad
# source fails with status 1.
if(TARGET sasm)
    add_test(NAME Sasm.ToolRoundTripsAFile
        COMMAND ${CMAKE_COMMAND} -DSASM=$<TARGET_FILE:sasm>
            -DSOURCE=${CMAKE_CURRENT_SOURCE_DIR}/script/sasm_tool_check.sasm
            -DWORK=${CMAKE_CURRENT_BINARY_DIR}/sasm_tool_check
            -P ${CMAKE_CURRENT_SOURCE_DIR}/script/sasm_tool_check.cmake)
endif()
