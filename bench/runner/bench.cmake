# Encoder runner figures (throughput, end of run, Stop, window cadence) with the fake encoder.
if(TARGET vidloom_test_support)
  add_executable(bench_runner ${CMAKE_CURRENT_LIST_DIR}/runner_bench.cpp)
  target_link_libraries(bench_runner PRIVATE vidloom_window_logic vidloom_pipeline vidloom_test_support
                                             vidloom_warnings)
endif()
