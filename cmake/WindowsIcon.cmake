# The program icon for Windows (included for Windows builds, before the programs' directories).
#
#   VIDLOOM_WINDOWS_ICON   <build>/windows/vidloom.ico, made from the PNG icons of data/icons by
#                          the target vidloom_windows_icon: a resource script embeds it with
#                          1 ICON "${VIDLOOM_WINDOWS_ICON}" in a target that depends on
#                          vidloom_windows_icon (and on the file, for its .rc). The installer
#                          installs it too.
find_program(VIDLOOM_PYTHON NAMES python3 REQUIRED)

set(VIDLOOM_WINDOWS_ICON ${CMAKE_BINARY_DIR}/windows/vidloom.ico)
# Windows shows 16 and 32 pixels in lists and menus, 48 in Explorer's large icons, 64 at twice
# the scale, 256 in the largest views; other sizes are scaled from these.
set(_icon_pngs)
foreach(size IN ITEMS 16 32 48 64 256)
  list(APPEND _icon_pngs ${PROJECT_SOURCE_DIR}/data/icons/hicolor/${size}x${size}/apps/vidloom.png)
endforeach()
add_custom_command(
  OUTPUT ${VIDLOOM_WINDOWS_ICON}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/windows
  COMMAND ${VIDLOOM_PYTHON} ${PROJECT_SOURCE_DIR}/packaging/windows/make-icon.py
          ${VIDLOOM_WINDOWS_ICON} ${_icon_pngs}
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/windows/make-icon.py ${_icon_pngs}
  COMMENT "Making the Windows icon vidloom.ico"
  VERBATIM)
add_custom_target(vidloom_windows_icon DEPENDS ${VIDLOOM_WINDOWS_ICON})
