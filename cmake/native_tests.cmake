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

file(GLOB TOOL_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tools/*.cpp)
foreach(src ${TOOL_SOURCES})
    get_filename_component(name ${src} NAME_WE)
    add_executable(${name} ${src})
    target_link_libraries(${name} PRIVATE ventrok_core)
    target_compile_options(${name} PRIVATE ${VENTROK_WARNINGS})
endforeach()
include(${CMAKE_SOURCE_DIR}/cmake/analyze_tool.cmake)
