# Installation into the standard places of a Linux desktop, and the Debian
# package made from it by CPack: cmake --build build --target package.
include(GNUInstallDirs)

set(CORVANE_APP_ID org.corvane.Corvane)
set(CORVANE_DOC_DIR ${CMAKE_INSTALL_DATADIR}/doc/corvane)
set(CORVANE_DEB_RELEASE 1)
set(CORVANE_DEB_VERSION ${PROJECT_VERSION}-${CORVANE_DEB_RELEASE})

# Generated files: the metainfo and the Debian changelog carry the project's
# version; manual pages and the changelog are compressed the way Debian wants
# (gzip -9, no name or time stamp inside, so the package is reproducible).
set(CORVANE_METAINFO ${CMAKE_BINARY_DIR}/${CORVANE_APP_ID}.metainfo.xml)
configure_file(res/${CORVANE_APP_ID}.metainfo.xml.in ${CORVANE_METAINFO} @ONLY)
configure_file(res/debian/changelog.in ${CMAKE_BINARY_DIR}/debian/changelog.Debian @ONLY)

find_program(CORVANE_GZIP gzip REQUIRED)
set(compressed)
foreach(source docs/man/corvane.1 docs/man/screendump.1 ${CMAKE_BINARY_DIR}/debian/changelog.Debian)
  get_filename_component(name ${source} NAME)
  get_filename_component(source ${source} ABSOLUTE)
  set(output ${CMAKE_BINARY_DIR}/compressed/${name}.gz)
  add_custom_command(OUTPUT ${output}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/compressed
    COMMAND ${CORVANE_GZIP} -9n -c ${source} > ${output}
    DEPENDS ${source} VERBATIM)
  list(APPEND compressed ${output})
endforeach()
add_custom_target(corvane_compressed_docs ALL DEPENDS ${compressed})

install(TARGETS corvane screendump RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES res/corvane.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${CORVANE_METAINFO} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
foreach(size 16 22 24 32 48 64 128 256)
  install(FILES res/icons/corvane-${size}.png RENAME corvane.png
    DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()
install(FILES res/icons/corvane.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${CMAKE_BINARY_DIR}/compressed/corvane.1.gz ${CMAKE_BINARY_DIR}/compressed/screendump.1.gz
  DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES res/debian/copyright ${CMAKE_BINARY_DIR}/compressed/changelog.Debian.gz
  DESTINATION ${CORVANE_DOC_DIR})

# The Debian package: corvane_<version>-<release>_<arch>.deb, its library
# dependencies found by dpkg-shlibdeps from the binaries themselves.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME corvane)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_VENDOR "Corvane developers")
set(CPACK_PACKAGE_CONTACT "Corvane developers <corvane@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "telnet client with a VT100/ANSI terminal")
# CPack puts the summary first and indents these lines; an empty line becomes
# the " ." that separates paragraphs.
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Corvane connects to a host and port over telnet and shows what the host
sends on an emulated VT100 or ANSI screen of up to 255 by 255 cells. It
keeps a scroll-back history, ten recent connections, twelve macro keys and
a session log, and offers mouse selection with copy, paste and send.

The package also holds screendump, which replays captured host bytes
through the terminal engine and prints the resulting screen.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE ${CORVANE_DEB_RELEASE})
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://corvane.example.org/")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
