# The desktop program: start-up to the shown window and idle cost (the real program as a
# process), memory with 1,000 rows and the UI thread's lateness during a batch and an adding (its
# windows in process, offscreen). Needs the program and the encoder of the build.
if(TARGET vidloom AND TARGET raziz2u AND TARGET vidloom_gui_desktop)
  add_executable(bench_gui ${CMAKE_CURRENT_LIST_DIR}/gui_bench.cpp)
  target_link_libraries(bench_gui PRIVATE vidloom_gui_desktop vidloom_warnings)
  # The core names a member `slots`; Qt's keywords stay off, as in the program.
  target_compile_definitions(bench_gui PRIVATE QT_NO_KEYWORDS
    BENCH_VIDLOOM_PATH="$<TARGET_FILE:vidloom>" BENCH_ENCODER_PATH="$<TARGET_FILE:raziz2u>")
  add_dependencies(bench_gui vidloom raziz2u)
endif()
