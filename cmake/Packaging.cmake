# Release packages: a .deb on Linux (both programs, the desktop integration and the man
# page, with its dependencies read from the binaries by dpkg-shlibdeps); on Windows a .zip
# (the programs, README and LICENSE) and an installer built by NSIS (makensis) from the
# same files. `cpack --preset deb`, `--preset zip` or `--preset installer`.
set(CPACK_PACKAGE_NAME sqk2xml)
set(CPACK_PACKAGE_VENDOR "the sqk2xml developers")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Convert Sonquill playlists into XML documents")
set(CPACK_PACKAGE_DESCRIPTION
  "sqk2xml turns a Sonquill media-player playlist into an XML document that lists every\n\
track with its tags, writes an HTML viewer page beside it, and hands the page to the\n\
desktop. It comes as a one-window dialog and as a command-line converter, sqk2xml-cli.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)

if(WIN32)
  set(CPACK_GENERATOR ZIP NSIS)
  set(CPACK_SYSTEM_NAME win64)
  # The installer's script is ours (cmake/nsis/NSIS.template.in): a per-user installation
  # that needs no elevation, with the file type registered for the user.
  list(PREPEND CMAKE_MODULE_PATH ${PROJECT_SOURCE_DIR}/cmake/nsis)
  set(CPACK_PACKAGE_INSTALL_DIRECTORY sqk2xml)
  set(CPACK_SQK2XML_NSIS_ICON ${PROJECT_SOURCE_DIR}/res/sqk2xml.ico)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/LICENSE DESTINATION .)
else()
  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_MAINTAINER "the sqk2xml developers")
  set(CPACK_DEBIAN_PACKAGE_SECTION sound)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  # The hand-over opens the page through xdg-open; the playlist's file type needs the MIME
  # database, whose trigger picks up the definition installed under mime/packages.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils, shared-mime-info")
  # Debian keeps a package's licence as its copyright file.
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE
    DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/sqk2xml RENAME copyright)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/sqk2xml)
endif()

include(CPack)
