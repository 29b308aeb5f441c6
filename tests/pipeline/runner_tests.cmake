# Output parser and status rules (pure), and the encoder runner with the scripted fake encoder.
vidloom_add_test(test_output_parser
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/output_parser_test.cpp
  LIBS vidloom_pipeline)
if(EXISTS ${CMAKE_CURRENT_LIST_DIR}/encoder_runner_test.cpp)
  vidloom_add_test(test_encoder_runner
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/encoder_runner_test.cpp
    LIBS vidloom_pipeline vidloom_test_support)
endif()
