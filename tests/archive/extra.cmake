# The archive tests pack their fixtures with the archive tool's encoders and run the tool itself.
if(TARGET test_archive)
    target_link_libraries(test_archive PRIVATE kestrel_packdat)
    add_dependencies(test_archive packdat)
    target_compile_definitions(test_archive PRIVATE KESTREL_PACKDAT="$<TARGET_FILE:packdat>")
endif()
