# SPDX-FileCopyrightText: 2026 MorvTime Developers
# SPDX-License-Identifier: MIT
# The release zip as a user gets it: made by the build's zip target, unpacked, checked to hold
# exactly the program, its read-me, the README, the licence and the notices (the program the very
# one just built), in name order, dated with the source date and with no owner, the same when another user
# makes it; and then the clock is started from the unpacked folder by a Windows test program.
#   cmake -DBINARY_DIR=... -DSOURCE_DIR=... -DCONFIG=... -DNAME=... -DRUNNER=... -DPROGRAM=...
#         -DZIP_SETTINGS=... -P release_zip_test.cmake
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
set(expected "${NAME}/LICENSE" "${NAME}/Morvyomi.txt" "${NAME}/NOTICES.txt" "${NAME}/README.md"
             "${NAME}/morvtime.exe")
if(NOT entries STREQUAL expected)
  message(FATAL_ERROR "the zip holds, in this order:\n  ${entries}\nexpected:\n  ${expected}")
endif()

file(ARCHIVE_EXTRACT INPUT "${zip}" DESTINATION "${work}/unpacked")
set(built "${BINARY_DIR}/morvtime.exe")
if(CONFIG AND EXISTS "${BINARY_DIR}/${CONFIG}/morvtime.exe")
  set(built "${BINARY_DIR}/${CONFIG}/morvtime.exe")
endif()
morv_source_date_epoch(epoch "${SOURCE_DIR}")
foreach(file morvtime.exe Morvyomi.txt README.md LICENSE NOTICES.txt)
  set(source "${SOURCE_DIR}/${file}")
  if(file STREQUAL "Morvyomi.txt")
    set(source "${SOURCE_DIR}/resources/${file}")
  elseif(file STREQUAL "morvtime.exe")
    set(source "${built}")
  elseif(file STREQUAL "NOTICES.txt")
    set(source "${BINARY_DIR}/${file}")
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

# Info-ZIP's Unix fields (ux, Ux, UX) and PKWARE's hold user and group ids, which differ between
# builders: no entry may carry one, in its local header or in the central directory.
set(owner_fields 30837 30805 22613 13)  # 0x7875, 0x7855, 0x5855, 0x000d
function(zip_number out at size)  # the little-endian number of SIZE bytes at byte AT of the zip
  math(EXPR at "${at}")
  file(READ "${zip}" digits OFFSET ${at} LIMIT ${size} HEX)
  string(REGEX MATCHALL ".." digits "${digits}")
  list(REVERSE digits)
  string(JOIN "" digits ${digits})
  math(EXPR number "0x${digits}")
  set(${out} ${number} PARENT_SCOPE)
endfunction()
# The header at byte AT of the zip: its signature, its fixed size and where in it the lengths of
# its name and extra fields are. Sets END to the end of its extra fields.
function(expect_no_owner at signature size lengths)
  file(READ "${zip}" found OFFSET ${at} LIMIT 4 HEX)
  if(NOT found STREQUAL signature)
    message(FATAL_ERROR "no zip header ${signature} at byte ${at}, but ${found}")
  endif()
  zip_number(name_size ${at}+${lengths} 2)
  zip_number(extra_size ${at}+${lengths}+2 2)
  math(EXPR field "${at} + ${size} + ${name_size}")
  math(EXPR end "${field} + ${extra_size}")
  while(field LESS end)
    zip_number(id ${field} 2)
    list(FIND owner_fields ${id} owner)
    if(owner GREATER -1)
      math(EXPR id "${id}" OUTPUT_FORMAT HEXADECIMAL)
      message(FATAL_ERROR "the zip's header at byte ${at} holds an owner field (${id})")
    endif()
    zip_number(field_size ${field}+2 2)
    math(EXPR field "${field} + 4 + ${field_size}")
  endwhile()
  set(end ${end} PARENT_SCOPE)
endfunction()
file(SIZE "${zip}" size)
zip_number(at ${size}-6 4)  # where the central directory starts (the zip has no comment)
foreach(entry IN LISTS entries)
  zip_number(local ${at}+42 4)
  expect_no_owner(${local} 504b0304 30 26)
  expect_no_owner(${at} 504b0102 46 28)
  zip_number(comment_size ${at}+32 2)
  math(EXPR at "${end} + ${comment_size}")
endforeach()

# Made by another user from the same files, the zip is the same. Only root can act as another
# user; CI runs the tests as root. That user may not reach this build's folders (a checkout in a
# private folder), so the maker, its settings and the files are copied to a folder of its own.
function(expect_the_same_zip_from_another_user)
  execute_process(COMMAND mktemp -d OUTPUT_VARIABLE other OUTPUT_STRIP_TRAILING_WHITESPACE
                  COMMAND_ERROR_IS_FATAL ANY)
  include(${ZIP_SETTINGS})  # FILES, FOLDER, SOURCE_DIR and PYTHON
  file(COPY ${FILES} DESTINATION "${other}/files")
  file(COPY ${SOURCE_DIR}/cmake/make_zip.cmake ${SOURCE_DIR}/cmake/make_zip.py
            ${SOURCE_DIR}/cmake/source_date_epoch.cmake DESTINATION "${other}/cmake")
  list(TRANSFORM FILES REPLACE "^.*/" "${other}/files/")
  file(WRITE "${other}/settings.cmake" "set(FILES [==[${FILES}]==])\nset(FOLDER [==[${FOLDER}]==])\n"
       "set(SOURCE_DIR [==[${other}]==])\nset(PYTHON [==[${PYTHON}]==])\n")
  execute_process(COMMAND chown -R nobody "${other}" COMMAND_ERROR_IS_FATAL ANY)
  # git refuses to read a repository another user owns, so that user is given the source date.
  set(ENV{SOURCE_DATE_EPOCH} ${epoch})
  execute_process(COMMAND runuser -u nobody -- ${CMAKE_COMMAND} -DSETTINGS=${other}/settings.cmake
                          -DOUTPUT=${other}/${NAME}.zip -P ${other}/cmake/make_zip.cmake
                  COMMAND_ERROR_IS_FATAL ANY)
  file(SHA256 "${zip}" ours)
  file(SHA256 "${other}/${NAME}.zip" theirs)
  file(REMOVE_RECURSE "${other}")
  if(NOT ours STREQUAL theirs)
    message(FATAL_ERROR "the zip made by the user nobody differs from ${zip}")
  endif()
endfunction()
execute_process(COMMAND id -u OUTPUT_VARIABLE user OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
if(user STREQUAL "0")
  expect_the_same_zip_from_another_user()
endif()

execute_process(COMMAND ${RUNNER} "${PROGRAM}" --gtest_filter=ReleaseZip.* RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the clock from the zip failed its test (${result})")
endif()
