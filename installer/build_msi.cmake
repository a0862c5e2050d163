# SPDX-FileCopyrightText: 2026 MorvTime Developers
# SPDX-License-Identifier: MIT
# Builds MorvTime's per-user MSI from morvtime.wxs.in with wixl, reproducibly.
#   cmake -DNAME=<product> -DVERSION=<x.y.z> -DPUBLISHER=<name> -DUPGRADE_CODE=<uuid>
#         -DPROGRAM=<exe> -DFILES=<exe;...> -DICON=<ico> -DOUTPUT=<msi> -DSOURCE_DIR=<sources>
#         -DWIXL=<wixl> -DPYTHON=<python3> -P build_msi.cmake
#
# The codes. The upgrade code never changes. The product code is a name-based UUID of the version,
# so that installing the same version again is a repair and installing another one an upgrade
# (Windows Installer compares the first three parts of a version only). The component codes are
# name-based UUIDs that never change. The package code must differ between any two packages that
# differ at all, so it is a name-based UUID of the package's WiX source and files.
#
# Reproducible: wixl takes the cabinet's file times from the files, so they are staged with the
# source date. wixl draws the package code at random and stamps the summary with the clock;
# pin_msi_summary.py writes the derived code and the source date there afterwards.
include(${CMAKE_CURRENT_LIST_DIR}/../cmake/source_date_epoch.cmake)
morv_source_date_epoch(epoch "${SOURCE_DIR}")

set(LANGUAGE 1041)  # Japanese, the program's language
string(UUID PRODUCT_CODE NAMESPACE ${UPGRADE_CODE} NAME "product ${VERSION}" TYPE SHA1 UPPER)
string(UUID PROGRAM_COMPONENT NAMESPACE ${UPGRADE_CODE} NAME "component Program" TYPE SHA1 UPPER)
string(UUID FOLDER_COMPONENT NAMESPACE ${UPGRADE_CODE} NAME "component UserPrograms"
       TYPE SHA1 UPPER)

# Everything the package holds, staged under its own name, and its File elements.
set(stage "${OUTPUT}.files")
file(REMOVE_RECURSE "${stage}")
set(FILE_ELEMENTS "")
foreach(file IN LISTS FILES)
  file(COPY "${file}" DESTINATION "${stage}")
  get_filename_component(name "${file}" NAME)
  string(MAKE_C_IDENTIFIER "${name}" id)
  string(APPEND FILE_ELEMENTS "              <File Id=\"${id}\" Source=\"${name}\" />\n")
endforeach()
string(STRIP "${FILE_ELEMENTS}" FILE_ELEMENTS)
file(COPY "${ICON}" DESTINATION "${stage}")
get_filename_component(PROGRAM_NAME "${PROGRAM}" NAME)
get_filename_component(ICON_NAME "${ICON}" NAME)
configure_file(${CMAKE_CURRENT_LIST_DIR}/morvtime.wxs.in "${stage}/morvtime.wxs" @ONLY)

file(GLOB staged RELATIVE "${stage}" "${stage}/*")
list(SORT staged)
set(contents "")
foreach(name IN LISTS staged)
  file(SHA256 "${stage}/${name}" hash)
  string(APPEND contents "${name} ${hash}\n")
endforeach()
string(UUID package_code NAMESPACE ${PRODUCT_CODE} NAME "${contents}" TYPE SHA1 UPPER)

execute_process(COMMAND touch -d @${epoch} ${staged} WORKING_DIRECTORY "${stage}"
                COMMAND_ERROR_IS_FATAL ANY)
# The cabinet holds local times; the time zone must not change them.
set(ENV{TZ} UTC)
file(REMOVE "${OUTPUT}")
execute_process(COMMAND ${WIXL} --arch x64 --output "${OUTPUT}" morvtime.wxs
                WORKING_DIRECTORY "${stage}" RESULT_VARIABLE result ERROR_VARIABLE complaints)
# wixl ignores what it does not know with only a warning; the installer must not lose a part.
if(NOT result EQUAL 0 OR NOT complaints STREQUAL "")
  file(REMOVE "${OUTPUT}")
  message(FATAL_ERROR "wixl failed on ${stage}/morvtime.wxs:\n${complaints}")
endif()
execute_process(COMMAND ${PYTHON} ${CMAKE_CURRENT_LIST_DIR}/pin_msi_summary.py "${OUTPUT}"
                        "{${package_code}}" ${epoch} "x64;${LANGUAGE}"
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  file(REMOVE "${OUTPUT}")
  message(FATAL_ERROR "could not set the summary of ${OUTPUT}")
endif()
file(REMOVE_RECURSE "${stage}")
