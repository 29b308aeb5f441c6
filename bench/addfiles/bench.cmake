# Adding 100 generated files (half of them probed by the encoder) through AddFiles on a headless
# UI thread. Uses the encoder of the build when there is one, else the scripted fake encoder.
if(TARGET raziz2u OR TARGET vidloom_test_support)
  add_executable(bench_addfiles ${CMAKE_CURRENT_LIST_DIR}/addfiles_bench.cpp)
  target_link_libraries(bench_addfiles PRIVATE vidloom_add_files vidloom_window_logic vidloom_warnings)
  if(TARGET raziz2u)
    target_compile_definitions(bench_addfiles PRIVATE
      BENCH_ENCODER_PATH="$<TARGET_FILE:raziz2u>")
    add_dependencies(bench_addfiles raziz2u)
  else()
    target_link_libraries(bench_addfiles PRIVATE vidloom_test_support)
    target_compile_definitions(bench_addfiles PRIVATE BENCH_FAKE_ENCODER=1)
  endif()
endif()
