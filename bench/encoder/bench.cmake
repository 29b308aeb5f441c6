# raziz2u against the ffmpeg command line: `cmake --build <dir> --target raziz2u_bench` prints a
# table of wall time and peak memory. Not run by ctest.
add_custom_target(raziz2u_bench
  COMMAND ${CMAKE_CURRENT_LIST_DIR}/compare_ffmpeg.sh $<TARGET_FILE:raziz2u> 1
  DEPENDS raziz2u
  USES_TERMINAL)
