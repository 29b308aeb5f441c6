# raziz2u against the ffmpeg command line, for the commands the program builds:
# `cmake --build <dir> --target raziz2u_bench` prints the table (medians of three alternating
# runs). Not run by ctest.
add_custom_target(raziz2u_bench
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/compare_ffmpeg.sh $<TARGET_FILE:vidloom-cli> 3 60 30
  DEPENDS raziz2u vidloom-cli
  USES_TERMINAL)

# The cost of the index at the front: `--target raziz2u_faststart_bench`.
add_custom_target(raziz2u_faststart_bench
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/faststart_cost.sh $<TARGET_FILE:vidloom-cli> 3
  DEPENDS raziz2u vidloom-cli
  USES_TERMINAL)
