# The release zip as a user gets it: made with CPack from this build, unpacked, checked to hold
# exactly the program, its read-me, the README and the licence (the program the very one just
# built), and then the clock is started from the unpacked folder by a Windows test program.
#   cmake -DBINARY_DIR=... -DCPACK=... -DCONFIG=... -DRUNNER=... -DPROGRAM=... -P release_zip_test.cmake
set(work "${BINARY_DIR}/tests/package")
file(REMOVE_RECURSE "${work}")

set(config_args)
if(CONFIG)
  set(config_args -C "${CONFIG}")
endif()
execute_process(
  COMMAND "${CPACK}" -G ZIP -B "${work}/cpack" ${config_args} --config "${BINARY_DIR}/CPackConfig.cmake"
  WORKING_DIRECTORY "${BINARY_DIR}"
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cpack failed (${result}):\n${output}")
endif()

file(GLOB zips "${work}/cpack/*.zip")
list(LENGTH zips count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one zip, found: ${zips}")
endif()
list(GET zips 0 zip)
get_filename_component(name "${zip}" NAME_WLE)
message(STATUS "package: ${zip}")

file(ARCHIVE_EXTRACT INPUT "${zip}" DESTINATION "${work}/unpacked")
file(GLOB_RECURSE files RELATIVE "${work}/unpacked" "${work}/unpacked/*")
list(SORT files)
set(expected "${name}/LICENSE" "${name}/Morvyomi.txt" "${name}/README.md" "${name}/morvtime.exe")
list(SORT expected)
if(NOT files STREQUAL expected)
  message(FATAL_ERROR "the zip holds:\n  ${files}\nexpected:\n  ${expected}")
endif()

set(built "${BINARY_DIR}/morvtime.exe")
if(CONFIG AND EXISTS "${BINARY_DIR}/${CONFIG}/morvtime.exe")
  set(built "${BINARY_DIR}/${CONFIG}/morvtime.exe")
endif()
file(SHA256 "${built}" built_hash)
file(SHA256 "${work}/unpacked/${name}/morvtime.exe" packed_hash)
if(NOT built_hash STREQUAL packed_hash)
  message(FATAL_ERROR "the zip's morvtime.exe is not the one built at ${built}")
endif()
foreach(file Morvyomi.txt README.md LICENSE)
  set(source "${SOURCE_DIR}/${file}")
  if(file STREQUAL "Morvyomi.txt")
    set(source "${SOURCE_DIR}/resources/${file}")
  endif()
  file(SHA256 "${source}" source_hash)
  file(SHA256 "${work}/unpacked/${name}/${file}" packed_hash)
  if(NOT source_hash STREQUAL packed_hash)
    message(FATAL_ERROR "the zip's ${file} differs from ${source}")
  endif()
endforeach()

execute_process(COMMAND ${RUNNER} "${PROGRAM}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the clock from the zip failed its test (${result})")
endif()
