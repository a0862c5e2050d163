# SPDX-FileCopyrightText: 2026 MorvTime Developers
# SPDX-License-Identifier: MIT
# Reproducible: the program compiled and linked again from a copy of the sources in another folder
# (a path of another length), with the same toolchain and build type, is the same file byte for
# byte as this build's: no link time and no source path end up in it.
#   cmake -DBINARY_DIR=... -DSOURCE_DIR=... -DGENERATOR=... -DTOOLCHAIN=... -DCONFIG=...
#         -P reproducible_build_test.cmake
set(work "${BINARY_DIR}/tests/reproducible")
set(copy "${work}/the-same-sources-elsewhere")
file(REMOVE_RECURSE "${work}")
include(${CMAKE_CURRENT_LIST_DIR}/copy_sources.cmake)
morv_copy_sources("${SOURCE_DIR}" "${copy}")

execute_process(
  COMMAND ${CMAKE_COMMAND} -S "${copy}" -B "${copy}/build" -G "${GENERATOR}"
          "-DCMAKE_TOOLCHAIN_FILE=${TOOLCHAIN}" -DCMAKE_BUILD_TYPE=${CONFIG} -DMORV_BUILD_TESTS=OFF
  OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${CMAKE_COMMAND} --build "${copy}/build" --target morvtime -j 2
                OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)

file(SHA256 "${BINARY_DIR}/morvtime.exe" here)
file(SHA256 "${copy}/build/morvtime.exe" there)
if(NOT here STREQUAL there)
  message(FATAL_ERROR "morvtime.exe built in ${copy} differs from ${BINARY_DIR}/morvtime.exe")
endif()
message(STATUS "morvtime.exe from two folders: SHA-256 ${here}")
file(REMOVE_RECURSE "${work}")
