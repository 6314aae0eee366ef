# Native build: the core's unit tests, benchmarks and fuzz target.
find_package(GTest REQUIRED)
include(GoogleTest)

file(GLOB NATIVE_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/native/*.cpp)
add_executable(core_tests ${NATIVE_TEST_SOURCES})
target_link_libraries(core_tests PRIVATE ventrok_core GTest::gtest GTest::gtest_main)
target_compile_options(core_tests PRIVATE ${VENTROK_WARNINGS})
gtest_discover_tests(core_tests DISCOVERY_MODE PRE_TEST)

if(VENTROK_BENCHMARKS)
    find_package(benchmark QUIET)
    if(benchmark_FOUND)
        file(GLOB BENCH_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/bench/*.cpp)
        if(BENCH_SOURCES)
            add_executable(core_bench ${BENCH_SOURCES})
            target_link_libraries(core_bench PRIVATE ventrok_core benchmark::benchmark)
        endif()
    endif()
endif()

# The keying data file fuzz target is built and run by scripts/run-fuzz.sh
# (clang with libFuzzer and AddressSanitizer).

# The tone filter: the front end for keying in noise, shared by
# ventrok-analyze and decode_accuracy, with its own unit tests.
file(GLOB TONE_FILTER_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/tone_filter/*.cpp)
add_library(ventrok_tone_filter STATIC ${TONE_FILTER_SOURCES})
target_include_directories(ventrok_tone_filter PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(ventrok_tone_filter PRIVATE ${VENTROK_WARNINGS})

file(GLOB TONE_FILTER_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/tone_filter/*.cpp)
add_executable(tone_filter_tests ${TONE_FILTER_TEST_SOURCES})
target_link_libraries(tone_filter_tests PRIVATE ventrok_tone_filter GTest::gtest GTest::gtest_main)
target_compile_options(tone_filter_tests PRIVATE ${VENTROK_WARNINGS})
gtest_discover_tests(tone_filter_tests DISCOVERY_MODE PRE_TEST)

# What the tools share: the WAV writer.
file(GLOB TOOLS_COMMON_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/common/*.cpp)
add_library(ventrok_tools_common STATIC ${TOOLS_COMMON_SOURCES})
target_include_directories(ventrok_tools_common PUBLIC ${CMAKE_SOURCE_DIR})
target_compile_options(ventrok_tools_common PRIVATE ${VENTROK_WARNINGS})

file(GLOB TOOL_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/*.cpp)
foreach(src ${TOOL_SOURCES})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_link_libraries(${name} PRIVATE ventrok_core ventrok_tone_filter ventrok_tools_common)
    target_compile_options(${name} PRIVATE ${VENTROK_WARNINGS})
endforeach()
include(${CMAKE_SOURCE_DIR}/cmake/analyze_tool.cmake)

# The texts of the program that the Japanese manual quotes, against the sources.
add_test(NAME manual_quotes COMMAND ${Python3_EXECUTABLE} -m unittest -v test_manual_quotes
         WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}/tests/manual)
