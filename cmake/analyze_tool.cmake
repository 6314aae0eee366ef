# ventrok-analyze: the measurement and the replay of the program on the
# command line, built on the same core as the window. Needs libsndfile and
# libsoxr, and pandoc for its man page (scripts/install-packages.sh installs
# them). `cmake --install` puts the program and the man page in place;
# `cpack -G DEB` makes ventrok-analyze_<version>_amd64.deb.
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

# The man page: written once in Markdown, rendered with pandoc and gzipped,
# as Debian installs man pages.
find_program(VENTROK_PANDOC pandoc)
if(NOT VENTROK_PANDOC)
    message(FATAL_ERROR "pandoc not found: the man page of ventrok-analyze is rendered with it "
                        "(scripts/install-packages.sh installs it)")
endif()
set(ANALYZE_MAN_PAGE ${CMAKE_BINARY_DIR}/ventrok-analyze.1.gz)
add_custom_command(
    OUTPUT ${ANALYZE_MAN_PAGE}
    COMMAND ${VENTROK_PANDOC} --standalone --to man -o ventrok-analyze.1
            ${CMAKE_SOURCE_DIR}/docs/ventrok-analyze.1.md
    COMMAND gzip -9nf ventrok-analyze.1
    DEPENDS ${CMAKE_SOURCE_DIR}/docs/ventrok-analyze.1.md
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
    COMMENT "Rendering the man page of ventrok-analyze")
add_custom_target(ventrok-analyze-man ALL DEPENDS ${ANALYZE_MAN_PAGE})

include(GNUInstallDirs)
install(TARGETS ventrok-analyze RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${ANALYZE_MAN_PAGE} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/ventrok-analyze
        RENAME copyright)

# The package, with the one version of win32/resources/version.h and the
# libraries the program links found by dpkg-shlibdeps (libsndfile1, libsoxr0).
file(STRINGS ${CMAKE_SOURCE_DIR}/win32/resources/version.h VENTROK_VERSION_LINES
     REGEX "^#define VENTROK_VERSION_(MAJOR|MINOR) [0-9]+$")
foreach(line ${VENTROK_VERSION_LINES})
    string(REGEX MATCH "(MAJOR|MINOR) ([0-9]+)" found ${line})
    set(VENTROK_VERSION_${CMAKE_MATCH_1} ${CMAKE_MATCH_2})
endforeach()
if(NOT DEFINED VENTROK_VERSION_MAJOR OR NOT DEFINED VENTROK_VERSION_MINOR)
    message(FATAL_ERROR "no version numbers in win32/resources/version.h")
endif()
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME ventrok-analyze)
set(CPACK_PACKAGE_VERSION ${VENTROK_VERSION_MAJOR}.${VENTROK_VERSION_MINOR})
set(CPACK_PACKAGE_CONTACT "the Ventrok developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "measure and decode recorded hand-sent Morse keying as the Ventrok program does")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION hamradio)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)

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
    ENVIRONMENT "VENTROK_ANALYZE=$<TARGET_FILE:ventrok-analyze>;MAKE_KEYING_WAV=$<TARGET_FILE:make_keying_wav>;VENTROK_BUILD_DIR=${CMAKE_BINARY_DIR}"
    TIMEOUT 600)
# That stop itself: a configure with python3 or sox hidden must fail.
add_test(NAME configure_needs_test_tools
         COMMAND ${Python3_EXECUTABLE} -m unittest -v test_configure
         WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}/tests/build)
set_tests_properties(configure_needs_test_tools PROPERTIES TIMEOUT 1200)
add_test(NAME scripts_parse COMMAND bash ${CMAKE_SOURCE_DIR}/tests/build/parse_scripts.sh)
