# SPDX-FileCopyrightText: 2026 The Quillmere developers
# SPDX-License-Identifier: MIT
# The manual pages, the package's documents and the Debian package: `cpack -G DEB` in the build
# folder, or scripts/package from nothing.

find_program(QUILLMERE_GZIP gzip)

# Configures the file `source` (a path under this folder) with the version filled in and installs
# it into `destination` as `name`, compressed the way Debian wants when `COMPRESS` is given.
function(quillmere_install_configured source name destination)
  cmake_parse_arguments(ARG "COMPRESS" "" "" ${ARGN})
  set(configured "${CMAKE_CURRENT_BINARY_DIR}/configured/${name}")
  configure_file("${CMAKE_CURRENT_LIST_DIR}/${source}" "${configured}" @ONLY)
  if(NOT ARG_COMPRESS OR NOT QUILLMERE_GZIP)
    install(FILES "${configured}" DESTINATION "${destination}")
    return()
  endif()
  string(MAKE_C_IDENTIFIER "quillmere_${name}_gz" target)
  add_custom_command(
    OUTPUT "${configured}.gz"
    # -n leaves out the name and time, so that the same file always gives the same bytes.
    COMMAND "${QUILLMERE_GZIP}" -9 -n -k -f "${configured}"
    DEPENDS "${configured}"
    COMMENT "Compressing ${name}"
    VERBATIM)
  add_custom_target(${target} ALL DEPENDS "${configured}.gz")
  install(FILES "${configured}.gz" DESTINATION "${destination}")
endfunction()

set(quillmere_doc_dir "${CMAKE_INSTALL_DATADIR}/doc/quillmere")
quillmere_install_configured(quillmere-cli.1.in quillmere-cli.1 "${CMAKE_INSTALL_MANDIR}/man1"
                             COMPRESS)
if(QUILLMERE_BUILD_APP)
  quillmere_install_configured(quillmere.1.in quillmere.1 "${CMAKE_INSTALL_MANDIR}/man1" COMPRESS)
endif()
# The manual pages are also left in the build tree, where `man -l` reads them before installing.
set(quillmere_built_pages quillmere-cli)
if(QUILLMERE_BUILD_APP)
  list(APPEND quillmere_built_pages quillmere)
endif()
foreach(page IN LISTS quillmere_built_pages)
  configure_file("${CMAKE_CURRENT_LIST_DIR}/${page}.1.in" "${PROJECT_BINARY_DIR}/share/man/man1/${page}.1"
                 @ONLY)
endforeach()
# The package's own documents: its copyright in the machine-readable format, and its changelog.
install(FILES "${CMAKE_CURRENT_LIST_DIR}/copyright" DESTINATION "${quillmere_doc_dir}")
quillmere_install_configured(changelog.in changelog "${quillmere_doc_dir}" COMPRESS)

# A stripped program loses the compilers' notes (.comment) too, as in Debian's own packages.
if(CMAKE_OBJCOPY)
  # The programs, and the modules of pictures, videos and the trash that quillmere-cli loads.
  set(quillmere_programs "${CMAKE_INSTALL_BINDIR}/quillmere-cli"
                         "${CMAKE_INSTALL_LIBDIR}/quillmere/quillmere-pictures.so"
                         "${CMAKE_INSTALL_LIBDIR}/quillmere/quillmere-videos.so"
                         "${CMAKE_INSTALL_LIBDIR}/quillmere/quillmere-trash.so")
  if(QUILLMERE_BUILD_APP)
    list(APPEND quillmere_programs "${CMAKE_INSTALL_BINDIR}/quillmere")
  endif()
  install(CODE "
    if(CMAKE_INSTALL_DO_STRIP)
      foreach(program ${quillmere_programs})
        execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
                        \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/\${program}\"
                        COMMAND_ERROR_IS_FATAL ANY)
      endforeach()
    endif()")
endif()

set(CPACK_PACKAGE_NAME quillmere)
set(CPACK_PACKAGE_VERSION "${QUILLMERE_VERSION_TEXT}")
set(CPACK_PACKAGE_VENDOR "Quillmere developers")
set(CPACK_PACKAGE_CONTACT "Quillmere developers <quillmere@users.noreply.github.io>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "static picture-browsing web sites from a text index file")
# Lines of at most 80 characters, as Debian's tools show them.
set(CPACK_PACKAGE_DESCRIPTION
    "Quillmere turns a plain text index file into a small static web site for
browsing pictures: an index page with a grid of captioned thumbnails and one
page per picture with Previous and Next arrows, written into the folder of the
index file.
.
The package holds the program with its window (quillmere), the command line
(quillmere-cli, which can also make a whole album from a folder of pictures
with libvips, add pictures to it, make its thumbnails, and check an index file
for missing pictures and misplaced lines), the twelve support images the pages
use, and an example album.")
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
       libglib2.0-0 libexif12 libexpat1)
  if(QUILLMERE_BUILD_APP)
    list(APPEND quillmere_depends "libqt6core6 (>= 6.4)" "libqt6gui6 (>= 6.4)"
         "libqt6widgets6 (>= 6.4)")
  endif()
endif()
if(QUILLMERE_BUILD_APP)
  # Qt loads its platform plugins at run time, so no linker dependency names them.
  list(APPEND quillmere_depends qt6-qpa-plugins)
  # On GNOME, Xfce, Cinnamon, MATE and LXDE, Qt shows the desktop's own file dialog through its
  # GTK platform theme, which it loads by itself where it is installed. The portal's theme is
  # loaded only in a sandbox or when QT_QPA_PLATFORMTHEME asks for it.
  set(CPACK_DEBIAN_PACKAGE_RECOMMENDS qt6-gtk-platformtheme)
  set(CPACK_DEBIAN_PACKAGE_SUGGESTS qt6-xdgdesktopportal-platformtheme)
endif()
# --publish runs rsync, and ssh for a destination on another host.
list(APPEND CPACK_DEBIAN_PACKAGE_RECOMMENDS rsync)
list(APPEND CPACK_DEBIAN_PACKAGE_SUGGESTS openssh-client)
list(JOIN CPACK_DEBIAN_PACKAGE_RECOMMENDS ", " CPACK_DEBIAN_PACKAGE_RECOMMENDS)
list(JOIN CPACK_DEBIAN_PACKAGE_SUGGESTS ", " CPACK_DEBIAN_PACKAGE_SUGGESTS)
list(JOIN quillmere_depends ", " CPACK_DEBIAN_PACKAGE_DEPENDS)

include(CPack)

# The installed programs find their data beside them: install into a scratch prefix and use it.
if(QUILLMERE_BUILD_TESTS)
  add_test(NAME cli.installed_layout
           COMMAND "${CMAKE_COMMAND}" -E env --unset=QUILLMERE_DATA_DIR "${CMAKE_COMMAND}"
                   -DBUILD=${CMAKE_BINARY_DIR} -DWORK=${CMAKE_BINARY_DIR}/installed-layout
                   -DAPP=${QUILLMERE_BUILD_APP}
                   -P "${CMAKE_CURRENT_LIST_DIR}/installed_layout_test.cmake")
  # Tab in bash completes quillmere-cli's options and index files.
  add_test(NAME cli.bash_completion
           COMMAND bash "${CMAKE_CURRENT_LIST_DIR}/bash_completion_test.sh"
                   "${PROJECT_SOURCE_DIR}/share/bash-completion/quillmere-cli"
                   "$<TARGET_FILE_DIR:quillmere-cli>")
  set_tests_properties(cli.bash_completion PROPERTIES SKIP_RETURN_CODE 77)
endif()
