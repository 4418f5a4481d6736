# Packages: a .deb for Debian 12 from the Linux build, a .zip from the Windows build.
set(CPACK_PACKAGE_NAME hv-test-process)
set(CPACK_PACKAGE_VENDOR "HALVERD")
set(CPACK_PACKAGE_CONTACT "HV_TEST_PROCESS developers <hv-test-process@example.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "visible, identifiable dummy process for tests")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME HV-TEST-PROCESS-V1-windows-x64)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION devel)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
  # The extended description; the synopsis is the summary above. No double quotes: CPack's
  # configuration file does not keep them.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "HV-TEST-PROCESS-V1 opens one small window that shows which file it was
started from. Testers save or link it under many names and start the copies,
each a dummy process that can be seen and told apart on the desktop and in the
process list. Each copy remembers its window position and its Always On Top
choice per user and per file name, and, when armed, keeps itself above the
window in front once a second without taking the keyboard.
.
hv-copies starts, lists and stops many named copies at once.")
  set(CPACK_STRIP_FILES ON)
  # The libraries the program links against, as dpkg-shlibdeps finds them, and the window's two
  # faces: the "Arial" and the toolkit's sans serif.
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-liberation, fonts-dejavu-core")
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "wmctrl, xdotool, x11-utils")
endif()
include(CPack)
