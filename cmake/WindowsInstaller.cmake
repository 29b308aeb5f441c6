# The Windows installer (included for Windows builds, after the programs' targets).
#
#   installer   <build>/vidloom-setup-<version>.exe (VIDLOOM_WINDOWS_INSTALLER), made by makensis
#               from packaging/windows/vidloom.nsi with stripped copies of the programs, the
#               manual and the icon; part of the default build once the target vidloom exists.
#               The icon and VIDLOOM_PYTHON come from cmake/WindowsIcon.cmake.

# The installer needs all three programs.
if(NOT (TARGET vidloom AND TARGET vidloom-cli AND TARGET raziz2u))
  message(STATUS "No Windows installer: it needs the targets vidloom, vidloom-cli and raziz2u")
  return()
endif()
find_program(VIDLOOM_MAKENSIS NAMES makensis REQUIRED)

# The file types offered under "Open With" are those of the file dialog's filter.
set(_installer_dir ${CMAKE_BINARY_DIR}/installer)
set(_extensions ${_installer_dir}/extensions.nsh)
add_custom_command(
  OUTPUT ${_extensions}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${_installer_dir}
  COMMAND ${VIDLOOM_PYTHON} ${PROJECT_SOURCE_DIR}/packaging/windows/extensions.py
          ${PROJECT_SOURCE_DIR}/src/window_logic/add_files.h ${_extensions}
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/windows/extensions.py
          ${PROJECT_SOURCE_DIR}/src/window_logic/add_files.h
  COMMENT "Listing the file types for the installer's Open With entries"
  VERBATIM)

# The folder makensis packs: the programs without their symbol tables (12 of 78 MB, which no
# user needs), the manual and the icon.
set(_stage ${_installer_dir}/stage)
set(_staged)
foreach(program IN ITEMS vidloom vidloom-cli raziz2u)
  add_custom_command(
    OUTPUT ${_stage}/${program}.exe
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_stage}
    COMMAND ${CMAKE_STRIP} -o ${_stage}/${program}.exe $<TARGET_FILE:${program}>
    DEPENDS ${program}
    COMMENT "Staging ${program}.exe without symbols for the installer"
    VERBATIM)
  list(APPEND _staged ${_stage}/${program}.exe)
endforeach()
foreach(file IN ITEMS ${VIDLOOM_MANUAL} ${VIDLOOM_TRANSLATED_MANUALS} ${VIDLOOM_WINDOWS_ICON})
  cmake_path(GET file FILENAME _name)
  add_custom_command(
    OUTPUT ${_stage}/${_name}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${_stage}
    COMMAND ${CMAKE_COMMAND} -E copy ${file} ${_stage}/${_name}
    DEPENDS ${file}
    VERBATIM)
  list(APPEND _staged ${_stage}/${_name})
endforeach()

# The catalogues of texts, in the program folder's locale/ as in the build.
foreach(code IN LISTS VIDLOOM_LANGUAGES)
  set(_catalogue ${_stage}/locale/${code}/LC_MESSAGES/vidloom.mo)
  add_custom_command(
    OUTPUT ${_catalogue}
    COMMAND ${CMAKE_COMMAND} -E copy
            ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/locale/${code}/LC_MESSAGES/vidloom.mo ${_catalogue}
    DEPENDS ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/locale/${code}/LC_MESSAGES/vidloom.mo
    VERBATIM)
  list(APPEND _staged ${_catalogue})
endforeach()

# makensis wants the version resource's version in four numbers.
set(_file_version ${PROJECT_VERSION})
foreach(part IN ITEMS MAJOR MINOR PATCH TWEAK)
  if("${PROJECT_VERSION_${part}}" STREQUAL "")
    string(APPEND _file_version ".0")
  endif()
endforeach()
set(VIDLOOM_WINDOWS_INSTALLER ${CMAKE_BINARY_DIR}/vidloom-setup-${PROJECT_VERSION}.exe)
set(_script ${PROJECT_SOURCE_DIR}/packaging/windows/vidloom.nsi)
# -WX: a warning of makensis fails the build; the script has none.
add_custom_command(
  OUTPUT ${VIDLOOM_WINDOWS_INSTALLER}
  COMMAND ${VIDLOOM_MAKENSIS} -V2 -WX -DVIDLOOM_VERSION=${PROJECT_VERSION}
          -DVIDLOOM_FILE_VERSION=${_file_version} -DVIDLOOM_STAGE=${_stage}
          -DVIDLOOM_EXTENSIONS=${_extensions} -DVIDLOOM_OUTPUT=${VIDLOOM_WINDOWS_INSTALLER}
          ${_script}
  DEPENDS ${_script} ${_extensions} ${_staged}
  COMMENT "Making the installer vidloom-setup-${PROJECT_VERSION}.exe (makensis, about 40 s)"
  VERBATIM)
add_custom_target(installer ALL DEPENDS ${VIDLOOM_WINDOWS_INSTALLER})
