# Helpers shared by the folders' CMakeLists.

# kestrel_library(<folder> [DEPS libs...]): the static library kestrel_<folder> from every
# .cpp under src/<folder> except main.cpp; public include root is src/.
function(kestrel_library folder)
    cmake_parse_arguments(K "" "" "DEPS" ${ARGN})
    file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/src/${folder}/*.cpp)
    list(FILTER srcs EXCLUDE REGEX "/main\\.cpp$")
    set(name kestrel_${folder})
    if(srcs)
        add_library(${name} STATIC ${srcs})
        target_include_directories(${name} PUBLIC ${CMAKE_SOURCE_DIR}/src)
        target_link_libraries(${name} PUBLIC ${K_DEPS})
    else()
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE ${CMAKE_SOURCE_DIR}/src)
        target_link_libraries(${name} INTERFACE ${K_DEPS})
    endif()
endfunction()

# The game layer (script engine, scenes, investigation, screens, application object) calls
# back and forth; the static libraries of these folders link each other.
function(kestrel_link_game_layer)
    set(game kestrel_script kestrel_scene kestrel_investigation kestrel_screens kestrel_app)
    foreach(a ${game})
        get_target_property(type ${a} TYPE)
        if(type STREQUAL "STATIC_LIBRARY")
            # The cycle is long: a symbol first needed on the second pass may live in a library
            # already passed twice.
            set_property(TARGET ${a} PROPERTY LINK_INTERFACE_MULTIPLICITY 3)
            foreach(b ${game})
                if(NOT a STREQUAL b)
                    target_link_libraries(${a} PUBLIC ${b})
                endif()
            endforeach()
        endif()
    endforeach()
endfunction()

# kestrel_test(<folder> LIBS libs... [ENV vars...]): the GoogleTest executable test_<folder>
# from tests/<folder>/*.cpp, run with SDL's dummy drivers unless the test sets its own.
function(kestrel_test folder)
    cmake_parse_arguments(K "" "" "LIBS;ENV" ${ARGN})
    file(GLOB_RECURSE srcs CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/${folder}/*.cpp)
    if(NOT srcs)
        return()
    endif()
    set(name test_${folder})
    add_executable(${name} ${srcs})
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests ${CMAKE_SOURCE_DIR}/src)
    target_link_libraries(${name} PRIVATE ${K_LIBS} kestrel_testsupport GTest::gtest GTest::gmock GTest::gtest_main)
    target_compile_definitions(${name} PRIVATE KESTREL_TEST_DATA="${CMAKE_SOURCE_DIR}/tests/data"
        KESTREL_BUILD_DIR="${CMAKE_BINARY_DIR}")
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 120
        PROPERTIES ENVIRONMENT "SDL_VIDEODRIVER=dummy;SDL_AUDIODRIVER=dummy;${K_ENV}")
endfunction()
