# raziz2u.exe under Wine against the Linux raziz2u (scripts/build-windows builds the former into
# build-windows): `cmake --build <dir> --target raziz2u_wine_bench` prints the table. Not run by
# ctest.
set(VIDLOOM_WINDOWS_BIN "${PROJECT_SOURCE_DIR}/build-windows/bin" CACHE PATH
    "The Windows build's program folder the benchmark runs under Wine")
add_custom_target(raziz2u_wine_bench
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/wine_encoder.sh $<TARGET_FILE_DIR:vidloom-cli>
          ${VIDLOOM_WINDOWS_BIN} 3
  DEPENDS raziz2u vidloom-cli
  USES_TERMINAL)

# vidloom.exe under Wine: start to shown window, median of 10 (needs Xvfb and openbox).
add_custom_target(vidloom_wine_start_bench
  COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/window_start.sh ${VIDLOOM_WINDOWS_BIN} 10
  USES_TERMINAL)
