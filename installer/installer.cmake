# SPDX-FileCopyrightText: 2026 MorvTime Developers
# SPDX-License-Identifier: MIT
# The MSI installer, built on Linux with wixl (scripts/setup installs it and the rest). Where the
# tools are missing the build has no installer target, and says so.
find_program(MORV_WIXL wixl)
# pin_msi_summary.py needs libmsi's GObject binding, which the distribution installs for its own
# Python (python3-gi, gir1.2-libmsi-1.0), not for one that may come first on the path.
find_program(MORV_SYSTEM_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH)
set(MORV_CAN_BUILD_INSTALLER OFF)
if(MORV_WIXL AND MORV_SYSTEM_PYTHON)
  execute_process(COMMAND ${MORV_SYSTEM_PYTHON} -c "import gi; gi.require_version('Libmsi', '1.0')"
                  RESULT_VARIABLE missing OUTPUT_QUIET ERROR_QUIET)
  if(missing EQUAL 0)
    set(MORV_CAN_BUILD_INSTALLER ON)
  endif()
endif()
if(NOT MORV_CAN_BUILD_INSTALLER)
  message(STATUS "No installer target: wixl or libmsi's Python binding is missing")
endif()

# morv_add_installer(TARGET VERSION <version> OUTPUT <msi> FILES <file>...): a target that builds
# an MSI installing FILES, MORV_PROGRAM among them, as MorvTime <version>.
function(morv_add_installer target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "VERSION;OUTPUT" "FILES")
  add_custom_target(${target}
    COMMAND ${CMAKE_COMMAND}
            -DNAME=${PROJECT_NAME} -DVERSION=${arg_VERSION} "-DPUBLISHER=${MORV_PUBLISHER}"
            -DUPGRADE_CODE=${MORV_UPGRADE_CODE} -DPROGRAM=${MORV_PROGRAM} "-DFILES=${arg_FILES}"
            -DICON=${PROJECT_SOURCE_DIR}/resources/morvtime.ico -DOUTPUT=${arg_OUTPUT}
            -DSOURCE_DIR=${PROJECT_SOURCE_DIR} -DWIXL=${MORV_WIXL} -DPYTHON=${MORV_SYSTEM_PYTHON}
            -P ${PROJECT_SOURCE_DIR}/installer/build_msi.cmake
    COMMENT "Building ${arg_OUTPUT}"
    VERBATIM)
  add_dependencies(${target} morvtime)
endfunction()
