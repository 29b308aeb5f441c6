# The batch driver's own cost per row with a fake encoder that exits at once, in the window and
# the command-line configurations, for short and long lists.
if(TARGET vidloom_test_support)
  add_executable(bench_batch ${CMAKE_CURRENT_LIST_DIR}/batch_bench.cpp)
  target_link_libraries(bench_batch PRIVATE vidloom_window_logic vidloom_pipeline vidloom_test_support
                                            vidloom_warnings)
endif()
