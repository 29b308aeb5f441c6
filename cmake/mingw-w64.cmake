# Cross-building the Windows programs on Debian with mingw-w64 (POSIX threads, so std::thread
# works). VIDLOOM_WINDOWS_DEPS names the dependency folder scripts/windows-deps made (FFmpeg and
# its libraries); the tests run under Wine.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(VIDLOOM_WINDOWS_DEPS "" CACHE PATH "The folder scripts/windows-deps built")
set(VIDLOOM_WINDOWS_SQLITE "" CACHE PATH "The folder scripts/windows-sqlite built")
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32 ${VIDLOOM_WINDOWS_DEPS} ${VIDLOOM_WINDOWS_SQLITE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config reads the dependency folder's files only, never the build machine's. try_compile
# reads this file again without the cache, so it must not reset what the main run set.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VIDLOOM_WINDOWS_DEPS VIDLOOM_WINDOWS_SQLITE)
if(VIDLOOM_WINDOWS_DEPS)
  set(ENV{PKG_CONFIG_LIBDIR} "${VIDLOOM_WINDOWS_DEPS}/lib/pkgconfig")
  set(ENV{PKG_CONFIG_PATH} "")
endif()

# ctest runs the test programs under Wine (Debian keeps wine64 off the PATH).
find_program(VIDLOOM_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
set(CMAKE_CROSSCOMPILING_EMULATOR ${VIDLOOM_WINE})
