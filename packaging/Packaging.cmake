# The manual page of quillmere-cli and the Debian package: `cpack -G DEB` in the build folder.

# The manual page, with the version filled in, installed compressed as Debian wants it.
set(quillmere_man_dir "${CMAKE_CURRENT_BINARY_DIR}/man")
set(quillmere_man_page "${quillmere_man_dir}/quillmere-cli.1")
configure_file("${CMAKE_CURRENT_LIST_DIR}/quillmere-cli.1.in" "${quillmere_man_page}" @ONLY)
find_program(QUILLMERE_GZIP gzip)
if(QUILLMERE_GZIP)
  add_custom_command(
    OUTPUT "${quillmere_man_page}.gz"
    # -n leaves out the name and time, so that the same page always gives the same bytes.
    COMMAND "${QUILLMERE_GZIP}" -9 -n -k -f "${quillmere_man_page}"
    DEPENDS "${quillmere_man_page}"
    COMMENT "Compressing the manual page of quillmere-cli"
    VERBATIM)
  add_custom_target(quillmere_man_page ALL DEPENDS "${quillmere_man_page}.gz")
  install(FILES "${quillmere_man_page}.gz" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
else()
  install(FILES "${quillmere_man_page}" DESTINATION "${CMAKE_INSTALL_MANDIR}/man1")
endif()

set(CPACK_PACKAGE_NAME quillmere)
set(CPACK_PACKAGE_VERSION "${QUILLMERE_VERSION_TEXT}")
set(CPACK_PACKAGE_VENDOR "Quillmere developers")
set(CPACK_PACKAGE_CONTACT "Quillmere developers <quillmere@users.noreply.github.io>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "static picture-browsing web sites from a text index file")
set(CPACK_PACKAGE_DESCRIPTION
    "Quillmere turns a plain text index file into a small static web site for browsing
pictures: an index page with a grid of captioned thumbnails and one page per picture with
Previous and Next arrows, written into the folder of the index file.
.
The package holds the program with its window (quillmere), the command line
(quillmere-cli, which can also make a whole album from a folder of pictures with libvips,
add pictures to it, make its thumbnails, and check an index file for missing pictures and
misplaced lines), the twelve support images the pages use, and an example album.")
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY "${CMAKE_BINARY_DIR}/packages")

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${CPACK_PACKAGE_CONTACT}")
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
# The libraries come from what the programs are linked with, when dpkg-shlibdeps (dpkg-dev)
# and file are there to find them; otherwise from this list.
find_program(QUILLMERE_DPKG_SHLIBDEPS dpkg-shlibdeps)
find_program(QUILLMERE_FILE_COMMAND file)
set(quillmere_depends)
if(QUILLMERE_DPKG_SHLIBDEPS AND QUILLMERE_FILE_COMMAND)
  set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
else()
  list(APPEND quillmere_depends "libc6 (>= 2.34)" libgcc-s1 "libstdc++6 (>= 12)" "libvips42 (>= 8.14)"
       libglib2.0-0)
  if(QUILLMERE_BUILD_APP)
    list(APPEND quillmere_depends "libqt6core6 (>= 6.4)" "libqt6gui6 (>= 6.4)"
         "libqt6widgets6 (>= 6.4)")
  endif()
endif()
if(QUILLMERE_BUILD_APP)
  # Qt loads its platform plugins at run time, so no linker dependency names them.
  list(APPEND quillmere_depends qt6-qpa-plugins)
endif()
list(JOIN quillmere_depends ", " CPACK_DEBIAN_PACKAGE_DEPENDS)

include(CPack)

# The installed programs find their data beside them: install into a scratch prefix and use it.
if(QUILLMERE_BUILD_TESTS)
  add_test(NAME cli.installed_layout
           COMMAND "${CMAKE_COMMAND}" -E env --unset=QUILLMERE_DATA_DIR "${CMAKE_COMMAND}"
                   -DBUILD=${CMAKE_BINARY_DIR} -DWORK=${CMAKE_BINARY_DIR}/installed-layout
                   -P "${CMAKE_CURRENT_LIST_DIR}/installed_layout_test.cmake")
endif()
