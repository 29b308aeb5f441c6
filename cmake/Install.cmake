# The program directory and the installed layout.
#
# The programs find the encoder, help.html and reg.sh beside themselves (the directory of
# /proc/self/exe), so they are installed together into one program directory, with links in
# bin/ (the kernel resolves the link to the program directory):
#
#   <prefix>/lib/vidloom/{vidloom, vidloom-cli, raziz2u, help.html}
#   <prefix>/bin/{vidloom, vidloom-cli} -> ../lib/vidloom/...
#   <prefix>/share/applications/vidloom.desktop
#   <prefix>/share/icons/hicolor/<N>x<N>/apps/vidloom.png, scalable/apps/vidloom.svg
#   <prefix>/share/metainfo/org.vidloom.vidloom.metainfo.xml
#   <prefix>/share/locale/<code>/LC_MESSAGES/vidloom.mo (the catalogues of texts; a build and the
#   Windows program folder keep them in locale/ beside the programs)
#
#   cmake --install build --prefix ~/.local
include(GNUInstallDirs)

set(VIDLOOM_INSTALL_PROGRAM_DIR "lib/vidloom" CACHE STRING
    "Where the programs and the manual are installed, relative to the prefix")

# A build runs as installed: this platform's manual lies beside the built programs too.
include(${PROJECT_SOURCE_DIR}/cmake/Manual.cmake)
file(MAKE_DIRECTORY ${CMAKE_RUNTIME_OUTPUT_DIRECTORY})
set(VIDLOOM_MANUAL ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/help.html)
add_subdirectory(${PROJECT_SOURCE_DIR}/po ${CMAKE_BINARY_DIR}/po)
# Where an installed program finds the catalogues, from its own directory.
if(NOT IS_ABSOLUTE "${VIDLOOM_INSTALL_PROGRAM_DIR}" AND NOT IS_ABSOLUTE "${CMAKE_INSTALL_LOCALEDIR}")
  file(RELATIVE_PATH _vidloom_locale_from_programs "/prefix/${VIDLOOM_INSTALL_PROGRAM_DIR}"
       "/prefix/${CMAKE_INSTALL_LOCALEDIR}")
  target_compile_definitions(vidloom_texts PRIVATE
                             VIDLOOM_INSTALLED_CATALOGUES="${_vidloom_locale_from_programs}")
endif()
vidloom_write_manual(${PROJECT_SOURCE_DIR}/docs/help.html ${VIDLOOM_MANUAL})

set(_vidloom_programs vidloom-cli)
if(TARGET vidloom)
  list(PREPEND _vidloom_programs vidloom)
endif()
if(TARGET raziz2u)
  list(APPEND _vidloom_programs raziz2u)
endif()
install(TARGETS ${_vidloom_programs} RUNTIME DESTINATION ${VIDLOOM_INSTALL_PROGRAM_DIR})
install(FILES ${VIDLOOM_MANUAL} ${VIDLOOM_TRANSLATED_MANUALS}
        DESTINATION ${VIDLOOM_INSTALL_PROGRAM_DIR})

if(WIN32)
  return()  # the Windows layout is one program folder: the installer makes it
endif()

# bin/ links, relative so that the installed tree can be moved (or staged with DESTDIR).
foreach(program IN ITEMS vidloom vidloom-cli)
  if(NOT TARGET ${program})
    continue()
  endif()
  if(IS_ABSOLUTE "${VIDLOOM_INSTALL_PROGRAM_DIR}")
    set(_target "${VIDLOOM_INSTALL_PROGRAM_DIR}/${program}")
  else()
    file(RELATIVE_PATH _target "/prefix/${CMAKE_INSTALL_BINDIR}"
         "/prefix/${VIDLOOM_INSTALL_PROGRAM_DIR}/${program}")
  endif()
  install(CODE "
    set(_link \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${program}\")
    get_filename_component(_dir \"\${_link}\" DIRECTORY)
    file(MAKE_DIRECTORY \"\${_dir}\")
    file(REMOVE \"\${_link}\")
    message(STATUS \"Installing: \${_link} -> ${_target}\")
    file(CREATE_LINK \"${_target}\" \"\${_link}\" SYMBOLIC)
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${program}\")
  ")
endforeach()

if(TARGET vidloom)
  install(FILES ${PROJECT_SOURCE_DIR}/data/vidloom.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(DIRECTORY ${PROJECT_SOURCE_DIR}/data/icons/hicolor
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons)
  install(FILES ${PROJECT_SOURCE_DIR}/data/org.vidloom.vidloom.metainfo.xml
          DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()
