# ventrok-analyze: the measurement and the replay of the program on the
# command line, built on the same core as the window. Needs libsndfile and
# libsoxr (scripts/install-packages.sh installs them).
find_package(PkgConfig QUIET)
if(PkgConfig_FOUND)
    pkg_check_modules(VENTROK_SNDFILE IMPORTED_TARGET sndfile)
    pkg_check_modules(VENTROK_SOXR IMPORTED_TARGET soxr)
endif()

# A native build without them would quietly drop the tool and its tests.
if(NOT (VENTROK_SNDFILE_FOUND AND VENTROK_SOXR_FOUND))
    message(FATAL_ERROR "ventrok-analyze needs libsndfile and libsoxr (pkg-config sndfile soxr): "
                        "run scripts/install-packages.sh")
endif()
file(GLOB ANALYZE_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/analyze/*.cpp)
add_executable(ventrok-analyze ${ANALYZE_SOURCES})
# A batch of recordings is measured on worker threads.
find_package(Threads REQUIRED)
target_link_libraries(ventrok-analyze PRIVATE ventrok_core ventrok_tone_filter ventrok_tools_common
                                              PkgConfig::VENTROK_SNDFILE PkgConfig::VENTROK_SOXR
                                              Threads::Threads)
# lrintf as one instruction in the per-sample conversion (nothing here
# reads errno after a math function).
target_compile_options(ventrok-analyze PRIVATE ${VENTROK_WARNINGS} -fno-math-errno)

# Its tests need python3 and sox (the recordings are converted with sox):
# without them the configure stops, rather than leaving the tests out of the
# run unnoticed.
find_package(Python3 COMPONENTS Interpreter QUIET)
find_program(VENTROK_SOX sox)
if(NOT Python3_FOUND)
    message(FATAL_ERROR "python3 not found: the tests of ventrok-analyze need it "
                        "(scripts/install-packages.sh installs it)")
endif()
if(NOT VENTROK_SOX)
    message(FATAL_ERROR "sox not found: the tests of ventrok-analyze need it "
                        "(scripts/install-packages.sh installs it)")
endif()
add_test(NAME analyze_tool
         COMMAND ${Python3_EXECUTABLE} -m unittest -v test_analyze
         WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}/tests/analyze)
set_tests_properties(analyze_tool PROPERTIES
    ENVIRONMENT "VENTROK_ANALYZE=$<TARGET_FILE:ventrok-analyze>;MAKE_KEYING_WAV=$<TARGET_FILE:make_keying_wav>"
    TIMEOUT 600)
# That stop itself: a configure with python3 or sox hidden must fail.
add_test(NAME configure_needs_test_tools
         COMMAND ${Python3_EXECUTABLE} -m unittest -v test_configure
         WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}/tests/build)
set_tests_properties(configure_needs_test_tools PROPERTIES TIMEOUT 1200)
add_test(NAME scripts_parse COMMAND bash ${CMAKE_SOURCE_DIR}/tests/build/parse_scripts.sh)
