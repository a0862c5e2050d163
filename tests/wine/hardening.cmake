# SPDX-FileCopyrightText: 2026 MorvTime Developers
# SPDX-License-Identifier: MIT
# Hardening tests: the executable's PE header, and files planted next to the clock that must
# not run in its place. Included from tests/wine/CMakeLists.txt.

# Stand-ins for planted files, built into tests/planted/ and copied by the tests wherever they
# need them.
function(morv_planted target kind output source)
  if(kind STREQUAL "LIBRARY")
    add_library(${target} SHARED ${source})
    set_target_properties(${target} PROPERTIES PREFIX "")
  else()
    add_executable(${target} WIN32 ${source})
  endif()
  set_target_properties(${target} PROPERTIES OUTPUT_NAME ${output}
                        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests/planted)
  target_link_libraries(${target} PRIVATE morv_win32_settings)
  morv_set_warnings(${target})
endfunction()

morv_planted(planted_notepad PROGRAM notepad planted/planted_notepad.cpp)
morv_planted(planted_library LIBRARY uxtheme planted/planted_dll.cpp)
morv_planted(dll_probe PROGRAM dll_probe planted/dll_probe.cpp)

morv_e2e_test(pe_header_test pe_header_test.cpp)

morv_e2e_test(planting_test planting_test.cpp)
add_dependencies(planting_test planted_notepad planted_library dll_probe)

# WM_DPICHANGED sent to both windows; the face is read with the clock tests' pixel model.
morv_e2e_test(dpi_change_test dpi_change_test.cpp)

# Endurance: short in the normal suite, ten minutes and more with MORV_SOAK=1.
morv_e2e_test(soak_test soak_test.cpp)
set_tests_properties(soak_test PROPERTIES TIMEOUT 2400)

# Start-up faults in the real Win32 backend, linked into the test program itself.
morv_e2e_test(startup_fault_test startup_fault_test.cpp)
target_link_libraries(startup_fault_test PRIVATE morv_win32 oleacc ole32 oleaut32)
