# SPDX-FileCopyrightText: 2026 The Quillmere developers
# SPDX-License-Identifier: MIT
# Generates the example album in a copy and checks that every page is there.
file(REMOVE_RECURSE "${WORK}")
file(COPY "${ALBUM}/" DESTINATION "${WORK}")
execute_process(COMMAND "${CLI}" --verbose "${WORK}/index.txt" RESULT_VARIABLE result
                OUTPUT_VARIABLE output ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "quillmere-cli failed (${result}): ${errors}")
endif()
foreach(page index.html Image1.html Image8.html)
  if(NOT EXISTS "${WORK}/${page}")
    message(FATAL_ERROR "${page} was not written; output: ${output}")
  endif()
endforeach()
