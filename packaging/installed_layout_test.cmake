# SPDX-FileCopyrightText: 2026 The Quillmere developers
# SPDX-License-Identifier: MIT
# Installs the build into a scratch prefix and runs the installed quillmere-cli from there: it
# must find the bundled support images and its modules of pictures and of the trash beside
# itself, generate the installed example album, make a new album of its pictures and remove one.

function(run_cli)
  cmake_parse_arguments(ARG "" "EXPECT" "" ${ARGN})
  execute_process(COMMAND "${WORK}/usr/bin/quillmere-cli" ${ARG_UNPARSED_ARGUMENTS}
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "quillmere-cli ${ARG_UNPARSED_ARGUMENTS} failed (${result}): ${errors}${output}")
  endif()
  if(ARG_EXPECT AND NOT output MATCHES "${ARG_EXPECT}")
    message(FATAL_ERROR "quillmere-cli ${ARG_UNPARSED_ARGUMENTS} said:\n${output}\nexpected: ${ARG_EXPECT}")
  endif()
endfunction()

function(require path)
  if(NOT EXISTS "${path}")
    message(FATAL_ERROR "${path} is missing")
  endif()
endfunction()

file(REMOVE_RECURSE "${WORK}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD}" --prefix "${WORK}/usr"
                RESULT_VARIABLE result OUTPUT_QUIET ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${errors}")
endif()
require("${WORK}/usr/share/man/man1/quillmere-cli.1.gz")
require("${WORK}/usr/share/doc/quillmere/copyright")
require("${WORK}/usr/share/doc/quillmere/changelog.gz")
require("${WORK}/usr/share/bash-completion/completions/quillmere-cli")
if(APP)
  require("${WORK}/usr/share/man/man1/quillmere.1.gz")
endif()
require("${WORK}/usr/share/quillmere/support/rondtl.gif")
require("${WORK}/usr/share/quillmere/examples/album/index.txt")

run_cli(--version EXPECT "^quillmere-cli [0-9]")

# A new site with only its index file gets the installed support images.
file(WRITE "${WORK}/site/index.txt" "New album\nthumbs/t\npictures/p\ngfx\n4\n")
run_cli(--add-support-images "${WORK}/site/index.txt"
        EXPECT "12 support images copied from ${WORK}/usr/share/quillmere/support into")
run_cli(--check "${WORK}/site/index.txt" EXPECT "0 pictures, 12 files checked, no problems")

# The installed example album is complete and can be generated from a copy.
file(COPY "${WORK}/usr/share/quillmere/examples/album" DESTINATION "${WORK}")
run_cli(--check "${WORK}/album/index.txt" EXPECT "no problems\n$")
run_cli("${WORK}/album/index.txt")
require("${WORK}/album/index.html")
require("${WORK}/album/Image1.html")

# A new album of the example's pictures, made by the installed module.
run_cli(--new-album "${WORK}/usr/share/quillmere/examples/album/pictures" "${WORK}/photos")
require("${WORK}/photos/thumbs/t8.jpg")
run_cli(--check "${WORK}/photos/index.txt" EXPECT "8 pictures, 28 files checked, no problems")

# A picture that the installed program removes goes to the desktop's trash through the installed
# module of the trash.
file(MAKE_DIRECTORY "${WORK}/home/data")
execute_process(COMMAND "${CMAKE_COMMAND}" -E env "HOME=${WORK}/home"
                        "XDG_DATA_HOME=${WORK}/home/data" "${WORK}/usr/bin/quillmere-cli"
                        --remove-pictures "${WORK}/photos/index.txt" 8
                RESULT_VARIABLE result ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "quillmere-cli --remove-pictures failed (${result}): ${errors}")
endif()
require("${WORK}/home/data/Trash/files/p8 (removed).jpg")
run_cli(--check "${WORK}/photos/index.txt" EXPECT "7 pictures, 26 files checked, no problems")
