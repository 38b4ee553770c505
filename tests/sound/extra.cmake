# The Ogg fixture writer of the test support library calls libvorbis and libogg directly (libvorbisenc
# alone does not bring them in).
pkg_check_modules(VORBIS_CODEC REQUIRED IMPORTED_TARGET vorbis ogg)
if(TARGET kestrel_testsupport)
    get_target_property(support_type kestrel_testsupport TYPE)
    if(support_type STREQUAL "STATIC_LIBRARY")
        target_link_libraries(kestrel_testsupport PUBLIC PkgConfig::VORBIS_CODEC)
    endif()
endif()

# Archive fixtures are packed with the packing tool's library.
if(TARGET test_sound AND TARGET kestrel_packdat)
    target_link_libraries(test_sound PRIVATE kestrel_packdat)
endif()
