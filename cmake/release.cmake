# SPDX-FileCopyrightText: 2026 MorvTime Developers
# SPDX-License-Identifier: MIT
# The release, made from this build's files:
#   cmake --build --preset windows --target zip         MorvTime-<version>-win64.zip
#   cmake --build --preset windows --target installer   MorvTime-<version>-win64.msi (needs wixl)
# Both are reproducible: every time stamp in them is the source date (SOURCE_DATE_EPOCH, else the
# last commit's time; cmake/source_date_epoch.cmake) and their entries come in a fixed order, so
# the same commit gives the same bytes (scripts/release --check compares two builds).

# An installed MorvTime: the program and, beside it, the read-me that its read-me command opens
# from the current directory, the licence and the notices of what is linked into the program.
# The zip adds the README.
set(MORV_PROGRAM $<TARGET_FILE:morvtime>)
set(MORV_NOTICES ${CMAKE_BINARY_DIR}/NOTICES.txt)
set(MORV_PROGRAM_FILES ${MORV_PROGRAM} ${PROJECT_SOURCE_DIR}/resources/Morvyomi.txt
                       ${PROJECT_SOURCE_DIR}/LICENSE)
set(MORV_RELEASE_NAME MorvTime-${PROJECT_VERSION}-win64)

include(${PROJECT_SOURCE_DIR}/installer/installer.cmake)

# The notices (NOTICES.txt: an 8.3 name, which an MSI may hold without a short name), made from
# the link map by release/notices.py with the toolchain's own copyright files, and the linked
# components for the bill of materials. They need Debian's package database
# and the MinGW linker's map: where either is missing (MSVC, or MinGW on Windows) the packages
# carry no notices file.
set(MORV_COMPONENTS ${CMAKE_BINARY_DIR}/linked-components.json)
find_program(MORV_DPKG_QUERY dpkg-query)
if(NOT MSVC AND MORV_DPKG_QUERY AND MORV_SYSTEM_PYTHON)
  add_custom_command(OUTPUT ${MORV_NOTICES} ${MORV_COMPONENTS}
    COMMAND ${MORV_SYSTEM_PYTHON} ${PROJECT_SOURCE_DIR}/release/notices.py
            ${CMAKE_BINARY_DIR}/morvtime.map ${MORV_NOTICES} ${MORV_COMPONENTS}
    DEPENDS morvtime ${PROJECT_SOURCE_DIR}/release/notices.py
    COMMENT "Writing the notices of what is linked into morvtime.exe"
    VERBATIM)
  add_custom_target(notices DEPENDS ${MORV_NOTICES} ${MORV_COMPONENTS})
  list(APPEND MORV_PROGRAM_FILES ${MORV_NOTICES})
else()
  message(STATUS "No notices file: it is made from a MinGW link map with Debian's dpkg-query")
endif()
set(MORV_ZIP_FILES ${MORV_PROGRAM_FILES} ${PROJECT_SOURCE_DIR}/README.md)

# The zip's writer, cmake/make_zip.py, needs Python 3's standard library only. The distribution's
# Python, which installer.cmake looks for and scripts/setup installs, comes first: every machine
# set up that way then writes with the same Python and zlib, and any user can run it, unlike a
# Python under someone's home folder. With no Python 3 at all, as on a plain Visual Studio
# machine, the zip is still made, by CMake's own writer: it records the builder's user and group
# ids in every entry (always 0 on Windows), so its zips do not match the ones Python writes.
# Releases are built where scripts/setup has run.
set(MORV_ZIP_PYTHON "")
if(MORV_SYSTEM_PYTHON)
  set(MORV_ZIP_PYTHON ${MORV_SYSTEM_PYTHON})
else()
  find_package(Python3 COMPONENTS Interpreter)
  if(Python3_Interpreter_FOUND)
    set(MORV_ZIP_PYTHON ${Python3_EXECUTABLE})
  else()
    message(STATUS "No Python 3: the zip is made by CMake's own writer, which records the user "
                   "and group ids of whoever builds it")
  endif()
endif()

# The zip holds one folder named like the zip. Not made by CPack, whose entries come in the order
# the file system lists them; named zip, since CMake keeps the name package for CPack as long as a
# build folder holds a CPack configuration. What goes into it is written to a file that the zip
# target and the zip test hand to cmake/make_zip.cmake.
set(MORV_ZIP_SETTINGS ${CMAKE_BINARY_DIR}/zip-settings-$<CONFIG>.cmake)
file(GENERATE OUTPUT ${MORV_ZIP_SETTINGS} CONTENT
"set(FILES [==[${MORV_ZIP_FILES}]==])
set(FOLDER [==[${MORV_RELEASE_NAME}]==])
set(SOURCE_DIR [==[${PROJECT_SOURCE_DIR}]==])
set(PYTHON [==[${MORV_ZIP_PYTHON}]==])
")
add_custom_target(zip
  COMMAND ${CMAKE_COMMAND} -DSETTINGS=${MORV_ZIP_SETTINGS}
          -DOUTPUT=${CMAKE_BINARY_DIR}/${MORV_RELEASE_NAME}.zip
          -P ${PROJECT_SOURCE_DIR}/cmake/make_zip.cmake
  COMMENT "Making ${MORV_RELEASE_NAME}.zip"
  VERBATIM)
add_dependencies(zip morvtime)
if(TARGET notices)
  add_dependencies(zip notices)
endif()

if(MORV_CAN_BUILD_INSTALLER)
  morv_add_installer(installer VERSION ${PROJECT_VERSION}
                     OUTPUT ${CMAKE_BINARY_DIR}/${MORV_RELEASE_NAME}.msi
                     FILES ${MORV_PROGRAM_FILES})
  if(TARGET notices)
    add_dependencies(installer notices)
  endif()
endif()

# The bill of materials (release/spdx.py): the sources, the linked components and the program,
# zip and MSI as they are now. It builds none of them, so that scripts/release can write it after
# signing them: cmake --build --preset windows --target zip installer bill_of_materials
if(TARGET notices AND TARGET installer)
  add_custom_target(bill_of_materials
    COMMAND ${MORV_SYSTEM_PYTHON} ${PROJECT_SOURCE_DIR}/release/spdx.py
            ${CMAKE_BINARY_DIR}/${MORV_RELEASE_NAME}.spdx.json ${PROJECT_NAME} ${PROJECT_VERSION}
            ${PROJECT_SOURCE_DIR} ${MORV_COMPONENTS}
            ${PROJECT_SOURCE_DIR}/release/linked_licences.txt ${MORV_PROGRAM}
            ${CMAKE_BINARY_DIR}/${MORV_RELEASE_NAME}.zip ${CMAKE_BINARY_DIR}/${MORV_RELEASE_NAME}.msi
    DEPENDS ${MORV_COMPONENTS}
    COMMENT "Writing ${MORV_RELEASE_NAME}.spdx.json"
    VERBATIM)
endif()
