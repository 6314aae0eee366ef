# Windows build: ventrok.exe, the Win32 shell library and its tests (run by
# ctest through Wine).
# The Win32 shell: every source under win32/ but the entry function.
file(GLOB_RECURSE VENTROK_SHELL_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/win32/*.cpp)
list(FILTER VENTROK_SHELL_SOURCES EXCLUDE REGEX "/win32/app/main\\.cpp$")

add_library(ventrok_shell STATIC ${VENTROK_SHELL_SOURCES})
target_include_directories(ventrok_shell PUBLIC ${CMAKE_SOURCE_DIR})
target_link_libraries(ventrok_shell PUBLIC ventrok_core comctl32 comdlg32 shell32 winmm gdi32 user32)
target_compile_options(ventrok_shell PRIVATE ${VENTROK_WARNINGS})

set(VENTROK_RESOURCES ${CMAKE_SOURCE_DIR}/win32/resources/ventrok.rc)
set_source_files_properties(${VENTROK_RESOURCES} PROPERTIES
    OBJECT_DEPENDS "${CMAKE_SOURCE_DIR}/win32/resources/resource_ids.h;${CMAKE_SOURCE_DIR}/win32/resources/version.h;${CMAKE_SOURCE_DIR}/win32/resources/ventrok.manifest")

add_executable(ventrok WIN32 win32/app/main.cpp ${VENTROK_RESOURCES})
target_link_libraries(ventrok PRIVATE ventrok_shell)
target_compile_options(ventrok PRIVATE ${VENTROK_WARNINGS})

# The same program with a record of every captured block, for the
# end-to-end tests and the block handling time figures.
add_executable(ventrok_blocklog WIN32 win32/app/main.cpp ${VENTROK_SHELL_SOURCES} ${VENTROK_RESOURCES})
target_include_directories(ventrok_blocklog PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_definitions(ventrok_blocklog PRIVATE VENTROK_BLOCK_LOG)
target_link_libraries(ventrok_blocklog PRIVATE ventrok_core comctl32 comdlg32 shell32 winmm gdi32 user32)

# The tests run where GoogleTest's sources are at hand (the Debian cross
# build); a plain Windows build makes the program only.
set(VENTROK_GOOGLETEST_SOURCE /usr/src/googletest CACHE PATH "GoogleTest sources for the Windows tests")
if(NOT EXISTS ${VENTROK_GOOGLETEST_SOURCE}/CMakeLists.txt)
    return()
endif()

# GoogleTest cross-built from the Debian sources.
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${VENTROK_GOOGLETEST_SOURCE} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
include(GoogleTest)

file(GLOB WINDOWS_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/windows/*.cpp)
add_executable(shell_tests ${WINDOWS_TEST_SOURCES} ${VENTROK_RESOURCES})
target_link_libraries(shell_tests PRIVATE ventrok_shell gtest gtest_main)
gtest_discover_tests(shell_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60)

# A small driver that reads the running program's window through Win32 calls;
# used by the end-to-end tests.
add_executable(window_probe tests/e2e/window_probe.cpp)
target_link_libraries(window_probe PRIVATE user32 gdi32 comctl32)

find_program(PYTHON3 python3 REQUIRED)

# Sessions of scripts/session.sh side by side (a test run and scripts/run.sh).
add_test(NAME sessions COMMAND ${PYTHON3} -m unittest -v test_sessions
         WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}/tests/session)
set_tests_properties(sessions PROPERTIES TIMEOUT 900 ENVIRONMENT "VENTROK_BUILD=${CMAKE_BINARY_DIR}/..")

# End-to-end tests: the real program under Wine with real audio through the
# session's private sound server (started by scripts/test.sh).
file(GLOB E2E_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/test_*.py)
foreach(test ${E2E_TESTS})
    get_filename_component(name ${test} NAME_WE)
    add_test(NAME e2e.${name} COMMAND ${PYTHON3} -m unittest -v ${name}
             WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}/tests/e2e)
    set_tests_properties(e2e.${name} PROPERTIES TIMEOUT 900
                         ENVIRONMENT "VENTROK_BUILD=${CMAKE_BINARY_DIR}/..")
endforeach()

# The program with a count of its live GDI objects (tests/e2e/gdi_count.h
# forced into every shell file; the core creates none), for the GDI soak
# (scripts/soak-gdi.sh). Built with the rest so that it cannot fall behind.
add_executable(ventrok_gdicount WIN32 win32/app/main.cpp ${VENTROK_SHELL_SOURCES} ${VENTROK_RESOURCES})
target_include_directories(ventrok_gdicount PRIVATE ${CMAKE_SOURCE_DIR})
target_compile_options(ventrok_gdicount PRIVATE -include ${CMAKE_SOURCE_DIR}/tests/e2e/gdi_count.h)
target_link_libraries(ventrok_gdicount PRIVATE ventrok_core comctl32 comdlg32 shell32 winmm gdi32 user32)
