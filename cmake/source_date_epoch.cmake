# SPDX-FileCopyrightText: 2026 MorvTime Developers
# SPDX-License-Identifier: MIT
# morv_source_date_epoch(OUT SOURCE_DIR): the time, in seconds since 1970, that every file of a
# release carries, so that a release does not depend on when it was built: SOURCE_DATE_EPOCH when
# it is set (scripts/release sets it), else the time of the commit the sources come from, else
# 1980-01-01, the earliest time a zip can hold.
function(morv_source_date_epoch out source_dir)
  if(DEFINED ENV{SOURCE_DATE_EPOCH})
    set(epoch "$ENV{SOURCE_DATE_EPOCH}")
    if(NOT epoch MATCHES "^[0-9]+$")
      message(FATAL_ERROR "SOURCE_DATE_EPOCH is not a number of seconds: '${epoch}'")
    endif()
  else()
    execute_process(COMMAND git log -1 --format=%ct
                    WORKING_DIRECTORY "${source_dir}"
                    OUTPUT_VARIABLE epoch OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(NOT epoch MATCHES "^[0-9]+$")
      set(epoch 315532800)
    endif()
  endif()
  set(${out} ${epoch} PARENT_SCOPE)
endfunction()
