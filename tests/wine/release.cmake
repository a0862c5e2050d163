# SPDX-FileCopyrightText: 2026 MorvTime Developers
# SPDX-License-Identifier: MIT
# Release tests: the zip, the installer and the signed program as a user gets them, the
# reproducible build, and a first ./scripts/run. Included from tests/wine/CMakeLists.txt.

# A CMake script per package makes it from this build and runs one suite of release_test, a
# Windows program, on it (under the emulator when cross-compiled).
add_executable(release_test release_test.cpp)
target_link_libraries(release_test PRIVATE morv_e2e_support GTest::gtest_main
                                           msi ole32 shell32 uuid)
target_compile_definitions(release_test PRIVATE "MORV_TEST_VERSION=L\"${PROJECT_VERSION}\"")
set_target_properties(release_test PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
morv_set_warnings(release_test)
morv_dpi_aware_tool(release_test)
add_dependencies(release_test morvtime)
function(morv_release_test name)
  add_test(NAME ${name}
    COMMAND ${CMAKE_COMMAND} -DBINARY_DIR=${CMAKE_BINARY_DIR} -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
            -DNAME=${MORV_RELEASE_NAME} "-DRUNNER=${CMAKE_CROSSCOMPILING_EMULATOR}"
            "-DTEST_ENV=${MORV_TEST_ENV}"
            -DPROGRAM=$<TARGET_FILE:release_test> ${ARGN}
            -P ${CMAKE_CURRENT_SOURCE_DIR}/${name}.cmake)
  set_tests_properties(${name} PROPERTIES TIMEOUT 600)
endfunction()

morv_release_test(release_zip_test -DCONFIG=$<CONFIG> -DZIP_SETTINGS=${MORV_ZIP_SETTINGS})
if(TARGET installer)
  # The older build the installer test upgrades from: a lower version that installs the README too.
  morv_add_installer(installer_test_older VERSION 0.1.0
                     OUTPUT ${CMAKE_BINARY_DIR}/tests/installer/older.msi
                     FILES ${MORV_PROGRAM_FILES} ${PROJECT_SOURCE_DIR}/README.md)
  morv_release_test(installer_test)
  if(TARGET bill_of_materials)
    morv_release_test(bill_of_materials_test -DPYTHON=${MORV_SYSTEM_PYTHON})
  endif()
  find_program(MORV_OSSLSIGNCODE osslsigncode)
  find_program(MORV_OPENSSL openssl)
  if(MORV_OSSLSIGNCODE AND MORV_OPENSSL)
    morv_release_test(signing_test)
  endif()
endif()

if(CMAKE_HOST_UNIX)
  morv_release_test(first_run_test)
endif()

if(NOT MSVC)
  # Two builds of the program from two folders give the same bytes (MinGW links without a time).
  add_test(NAME reproducible_build_test
    COMMAND ${CMAKE_COMMAND} -DBINARY_DIR=${CMAKE_BINARY_DIR} -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
            "-DGENERATOR=${CMAKE_GENERATOR}" -DTOOLCHAIN=${CMAKE_TOOLCHAIN_FILE} -DCONFIG=$<CONFIG>
            -P ${CMAKE_CURRENT_SOURCE_DIR}/reproducible_build_test.cmake)
  set_tests_properties(reproducible_build_test PROPERTIES TIMEOUT 600)
endif()
