# The release zip as a user gets it: made by the build's zip target, unpacked, checked to hold
# exactly the program, its read-me, the README and the licence (the program the very one just
# built), in name order and dated with the source date, and then the clock is started from the
# unpacked folder by a Windows test program.
#   cmake -DBINARY_DIR=... -DSOURCE_DIR=... -DCONFIG=... -DNAME=... -DRUNNER=... -DPROGRAM=...
#         -P release_zip_test.cmake
include(${SOURCE_DIR}/cmake/source_date_epoch.cmake)
set(work "${BINARY_DIR}/tests/package")
file(REMOVE_RECURSE "${work}")

set(config_args)
if(CONFIG)
  set(config_args --config "${CONFIG}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --build "${BINARY_DIR}" --target zip ${config_args}
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the zip target failed (${result}):\n${output}")
endif()
set(zip "${BINARY_DIR}/${NAME}.zip")
message(STATUS "package: ${zip}")

# The entries as the zip lists them, in its order.
execute_process(COMMAND ${CMAKE_COMMAND} -E tar tf "${zip}" OUTPUT_VARIABLE listing
                COMMAND_ERROR_IS_FATAL ANY)
string(STRIP "${listing}" listing)
string(REPLACE "\n" ";" entries "${listing}")
set(expected "${NAME}/LICENSE" "${NAME}/Morvyomi.txt" "${NAME}/README.md" "${NAME}/morvtime.exe")
if(NOT entries STREQUAL expected)
  message(FATAL_ERROR "the zip holds, in this order:\n  ${entries}\nexpected:\n  ${expected}")
endif()

file(ARCHIVE_EXTRACT INPUT "${zip}" DESTINATION "${work}/unpacked")
set(built "${BINARY_DIR}/morvtime.exe")
if(CONFIG AND EXISTS "${BINARY_DIR}/${CONFIG}/morvtime.exe")
  set(built "${BINARY_DIR}/${CONFIG}/morvtime.exe")
endif()
morv_source_date_epoch(epoch "${SOURCE_DIR}")
foreach(file morvtime.exe Morvyomi.txt README.md LICENSE)
  set(source "${SOURCE_DIR}/${file}")
  if(file STREQUAL "Morvyomi.txt")
    set(source "${SOURCE_DIR}/resources/${file}")
  elseif(file STREQUAL "morvtime.exe")
    set(source "${built}")
  endif()
  file(SHA256 "${source}" source_hash)
  file(SHA256 "${work}/unpacked/${NAME}/${file}" packed_hash)
  if(NOT source_hash STREQUAL packed_hash)
    message(FATAL_ERROR "the zip's ${file} differs from ${source}")
  endif()
  file(TIMESTAMP "${work}/unpacked/${NAME}/${file}" time "%s" UTC)
  if(NOT time EQUAL epoch)
    message(FATAL_ERROR "the zip's ${file} is dated ${time}, not with the source date ${epoch}")
  endif()
endforeach()

execute_process(COMMAND ${RUNNER} "${PROGRAM}" --gtest_filter=ReleaseZip.* RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the clock from the zip failed its test (${result})")
endif()
