# Command assembly: slots, output naming, thumbnail command, the format templates end to end.
vidloom_add_test(test_command_builder
  SOURCES ${CMAKE_CURRENT_SOURCE_DIR}/command_builder_test.cpp
  LIBS vidloom_pipeline)
