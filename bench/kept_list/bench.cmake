# The file list kept for a restore: the cost of a row change, of a progress reading and of adding
# rows, and the file's size for 1,000 rows.
find_package(benchmark REQUIRED)
add_executable(bench_kept_list ${CMAKE_CURRENT_LIST_DIR}/list_bench.cpp)
target_link_libraries(bench_kept_list PRIVATE vidloom_window_logic vidloom_kept_list
                                              benchmark::benchmark benchmark::benchmark_main
                                              vidloom_warnings)
