vidloom_add_test(test_batch_driver
  SOURCES batch_driver_test.cpp
  LIBS vidloom_shell vidloom_pipeline vidloom_test_support)
vidloom_add_test(test_batch_faults
  SOURCES batch_faults_test.cpp
  LIBS vidloom_shell vidloom_pipeline vidloom_test_support)
