# The sample generator's test runs the tool and loads its pictures and sounds through the engine.
if(TARGET test_graphics AND TARGET kestrel_mksample)
    target_link_libraries(test_graphics PRIVATE kestrel_mksample kestrel_sound)
    add_dependencies(test_graphics mksample)
    target_compile_definitions(test_graphics PRIVATE KESTREL_MKSAMPLE="$<TARGET_FILE:mksample>")
endif()
