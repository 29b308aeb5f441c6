# One INTERFACE target carries the warnings and sanitizer flags; every target links it.
add_library(vidloom_warnings INTERFACE)
target_compile_options(vidloom_warnings INTERFACE -Wall -Wextra -Wshadow -Wnon-virtual-dtor)
if(WIN32 AND CMAKE_CXX_COMPILER_VERSION VERSION_LESS 13)
  # GCC 12 warns falsely about std::string's own copies at -O2 (GCC bug 105329).
  target_compile_options(vidloom_warnings INTERFACE -Wno-restrict)
endif()
# CI builds with warnings as errors (our own targets only: FFmpeg's and Qt's headers are system
# headers and warn nothing).
option(VIDLOOM_WERROR "Treat warnings of our own code as errors" OFF)
if(VIDLOOM_WERROR)
  target_compile_options(vidloom_warnings INTERFACE -Werror)
endif()

if(VIDLOOM_SANITIZE)
  set(_san_flags -fsanitize=${VIDLOOM_SANITIZE} -fno-omit-frame-pointer)
  if(VIDLOOM_SANITIZE MATCHES "undefined")
    list(APPEND _san_flags -fno-sanitize-recover=all)
  endif()
  add_compile_options(${_san_flags})
  add_link_options(-fsanitize=${VIDLOOM_SANITIZE})
endif()

# The fuzz build (scripts/fuzz): every source is instrumented for libFuzzer's coverage and
# checked by ASan and UBSan; tests/fuzz links the targets with libFuzzer's main.
if(VIDLOOM_FUZZ)
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "VIDLOOM_FUZZ needs clang: configure with CC=clang CXX=clang++")
  endif()
  add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
                      -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

# vidloom_add_test(NAME SOURCES... LIBS ...): one test program per component, run through ctest.
function(vidloom_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;ENV" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock
                                        vidloom_warnings)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  # The test's own code is glue around the code under test (which is compiled as the build says):
  # -Og compiles it in half the time of -O1 or -O2 and still finds what the warnings need.
  target_compile_options(${name} PRIVATE -Og)
  add_test(NAME ${name} COMMAND ${name})
  # English, as the sources write it, whatever the developer's locale: a test that wants another
  # language says so.
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "LC_ALL=C.UTF-8;LANGUAGE=;${ARG_ENV}")
  set_tests_properties(${name} PROPERTIES TIMEOUT 600)
endfunction()
