# SPDX-FileCopyrightText: 2026 MorvTime Developers
# SPDX-License-Identifier: MIT
# The end-to-end tests' face reader: a window's client area read back, the clock's face decoded
# from it, and the window and process helpers it stands on. Free of the test framework, so that
# the benchmark of how late the face turns (bench/) reads the face exactly as the tests do.
# Included from bench/ and from tests/wine/; the first to include it defines it.
include_guard(GLOBAL)
add_library(morv_face_reader STATIC ${CMAKE_CURRENT_LIST_DIR}/clock_face_pixels.cpp
                                    ${CMAKE_CURRENT_LIST_DIR}/e2e_pixels.cpp
                                    ${CMAKE_CURRENT_LIST_DIR}/e2e_support.cpp)
target_include_directories(morv_face_reader PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(morv_face_reader PUBLIC morv_win32_settings user32 gdi32 advapi32 psapi
                                              version)
morv_set_warnings(morv_face_reader)

# read_face.exe: the time on the face in a screenshot of the clock window, for scripts/run.
add_executable(morv_read_face ${CMAKE_CURRENT_LIST_DIR}/read_face.cpp)
target_link_libraries(morv_read_face PRIVATE morv_face_reader)
set_target_properties(morv_read_face PROPERTIES OUTPUT_NAME read_face
                      RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
morv_set_warnings(morv_read_face)
if(NOT MSVC)
  target_link_options(morv_read_face PRIVATE -municode)
endif()
