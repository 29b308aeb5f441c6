# A Debian package of the installed layout (cmake/Install.cmake under /usr), built after the
# build with:
#
#   cd build && cpack -G DEB        # vidloom_<version>_<arch>.deb
#   sudo apt install ./vidloom_*.deb
#
# The shared libraries the programs link are found by dpkg-shlibdeps; what they need besides
# is declared here: FFmpeg's codecs with the AMR-NB encoder (libavcodec-extra), libavfilter
# (loaded by the encoder when it filters), Qt's platform plugins and a font.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vidloom)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "The Vidloom developers")
set(CPACK_PACKAGE_CONTACT "The Vidloom developers <support@vidloom.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "batch media converter for PSP, PS3, phones and music players")
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
    "Vidloom converts a list of video and audio files at once into one of twelve device\n\
formats: PSP Video and PSP AVC, PS3 Video in 480P, 720P and 1080P, 3GP and 3G2 for mobile\n\
phones, and AAC or MP3 audio. It ships the desktop program vidloom, its encoder raziz2u and\n\
the command-line converter vidloom-cli.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION video)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://vidloom.org")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libavcodec-extra59, libavfilter8")
if(TARGET vidloom)
  string(APPEND CPACK_DEBIAN_PACKAGE_DEPENDS ", qt6-qpa-plugins")
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-dejavu-core, xdg-utils")
endif()
include(CPack)
