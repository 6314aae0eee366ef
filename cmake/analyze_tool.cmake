# ventrok-analyze: the measurement and the replay of the program on the
# command line, built on the same core as the window. Needs libsndfile and
# libsamplerate (scripts/install-packages.sh installs them).
find_package(PkgConfig QUIET)
if(PkgConfig_FOUND)
    pkg_check_modules(VENTROK_SNDFILE IMPORTED_TARGET sndfile)
    pkg_check_modules(VENTROK_SAMPLERATE IMPORTED_TARGET samplerate)
endif()

if(VENTROK_SNDFILE_FOUND AND VENTROK_SAMPLERATE_FOUND)
    file(GLOB ANALYZE_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/analyze/*.cpp)
    add_executable(ventrok-analyze ${ANALYZE_SOURCES})
    target_link_libraries(ventrok-analyze PRIVATE ventrok_core PkgConfig::VENTROK_SNDFILE
                                                  PkgConfig::VENTROK_SAMPLERATE)
    target_compile_options(ventrok-analyze PRIVATE ${VENTROK_WARNINGS})

    find_package(Python3 COMPONENTS Interpreter QUIET)
    find_program(VENTROK_SOX sox)
    if(Python3_FOUND AND VENTROK_SOX)
        add_test(NAME analyze_tool
                 COMMAND ${Python3_EXECUTABLE} -m unittest -v test_analyze
                 WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}/tests/analyze)
        set_tests_properties(analyze_tool PROPERTIES
            ENVIRONMENT "VENTROK_ANALYZE=$<TARGET_FILE:ventrok-analyze>;MAKE_KEYING_WAV=$<TARGET_FILE:make_keying_wav>"
            TIMEOUT 600)
    endif()
else()
    message(STATUS "ventrok-analyze not built: libsndfile or libsamplerate missing")
endif()
