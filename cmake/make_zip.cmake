# SPDX-FileCopyrightText: 2026 MorvTime Developers
# SPDX-License-Identifier: MIT
# Makes a release zip: FILES in one folder FOLDER, the same bytes for the same files whenever and
# wherever it is made: the entries in name order, every time in them the source date, the same
# permissions for every file, and no owner, so that it does not depend on who makes it either
# (make_zip.py writes it; CMake's own writer, used where there is no Python 3, records one).
#   cmake -DSETTINGS=<zip-settings.cmake> -DOUTPUT=<zip> -P make_zip.cmake
# SETTINGS, written by the build (cmake/release.cmake), sets FILES, FOLDER, SOURCE_DIR and PYTHON,
# the interpreter that runs make_zip.py (empty: CMake's own writer).
include(${SETTINGS})
include(${CMAKE_CURRENT_LIST_DIR}/source_date_epoch.cmake)
morv_source_date_epoch(epoch "${SOURCE_DIR}")

set(stage "${OUTPUT}.files")
file(REMOVE_RECURSE "${stage}")
set(entries)
foreach(file IN LISTS FILES)
  # The permissions matter to CMake's writer only; make_zip.py writes these for every file.
  file(COPY "${file}" DESTINATION "${stage}/${FOLDER}"
       FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
  get_filename_component(name "${file}" NAME)
  list(APPEND entries "${FOLDER}/${name}")
endforeach()
list(SORT entries)

file(REMOVE "${OUTPUT}")
if(PYTHON)
  execute_process(COMMAND ${PYTHON} ${CMAKE_CURRENT_LIST_DIR}/make_zip.py "${OUTPUT}" ${epoch}
                          ${entries}
                  WORKING_DIRECTORY "${stage}" RESULT_VARIABLE result)
else()
  # libarchive stamps every entry with SOURCE_DATE_EPOCH (modified, accessed and changed), and
  # writes the zip's local times for the time zone in TZ.
  set(ENV{SOURCE_DATE_EPOCH} ${epoch})
  set(ENV{TZ} UTC)
  execute_process(COMMAND ${CMAKE_COMMAND} -E tar cf "${OUTPUT}" --format=zip -- ${entries}
                  WORKING_DIRECTORY "${stage}" RESULT_VARIABLE result)
endif()
file(REMOVE_RECURSE "${stage}")
if(NOT result EQUAL 0)
  file(REMOVE "${OUTPUT}")
  message(FATAL_ERROR "could not make ${OUTPUT}")
endif()
