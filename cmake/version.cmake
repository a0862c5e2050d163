# SPDX-FileCopyrightText: 2026 MorvTime Developers
# SPDX-License-Identifier: MIT
# The release's identity, derived from project(VERSION) and written where the build needs it:
# the header that the program and the version resource read, and the manifest. Everything else
# (the zip's and the installer's names and versions) takes the same CMake variables.
set(MORV_PUBLISHER "MorvTime Developers")
# The installer's upgrade code: the same for every version, so that Windows Installer knows a newer
# MorvTime replaces an older one. Written once; the product and component codes derive from it
# (installer/build_msi.cmake).
set(MORV_UPGRADE_CODE "239D0831-D256-4DAA-A9D8-6CD95AFA4F55")

# The fourth part of the file version, which project(VERSION) may leave out.
if(PROJECT_VERSION_TWEAK STREQUAL "")
  set(MORV_VERSION_BUILD 0)
else()
  set(MORV_VERSION_BUILD ${PROJECT_VERSION_TWEAK})
endif()
set(MORV_VERSION_FOUR
    "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}.${PROJECT_VERSION_PATCH}.${MORV_VERSION_BUILD}")

# The version text users see in the file's properties: major, then the minor in two digits.
if(PROJECT_VERSION_MINOR LESS 10)
  set(MORV_VERSION_TEXT "${PROJECT_VERSION_MAJOR}.0${PROJECT_VERSION_MINOR}")
else()
  set(MORV_VERSION_TEXT "${PROJECT_VERSION_MAJOR}.${PROJECT_VERSION_MINOR}")
endif()

set(MORV_GENERATED_DIR ${PROJECT_BINARY_DIR}/generated)
configure_file(${PROJECT_SOURCE_DIR}/resources/version.h.in
               ${MORV_GENERATED_DIR}/resources/version.h @ONLY)
configure_file(${PROJECT_SOURCE_DIR}/resources/morvtime.manifest.in
               ${MORV_GENERATED_DIR}/resources/morvtime.manifest @ONLY)
