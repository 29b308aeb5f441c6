# A batch one file at a time against several at once, with the real encoder on generated media:
# `cmake --build <dir> --target vidloom_lanes_bench` prints the table. Not run by ctest.
add_custom_target(vidloom_lanes_bench
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/lanes.sh $<TARGET_FILE:vidloom-cli> 3
  DEPENDS raziz2u vidloom-cli
  USES_TERMINAL)
