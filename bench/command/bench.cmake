# Command assembly and the format refresh.
find_package(benchmark REQUIRED)
add_executable(bench_command ${CMAKE_CURRENT_LIST_DIR}/command_bench.cpp)
target_link_libraries(bench_command PRIVATE vidloom_window_logic vidloom_pipeline benchmark::benchmark
                                            benchmark::benchmark_main vidloom_warnings)
