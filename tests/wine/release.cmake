# Release tests: the zip as a user gets it, and the reproducible build. Included from
# tests/wine/CMakeLists.txt.

# The release zip: made, unpacked and checked by a CMake script, which then runs the clock from
# it through a Windows test program (under the emulator when cross-compiled).
add_executable(release_zip_test release_zip_test.cpp)
target_link_libraries(release_zip_test PRIVATE morv_e2e_support GTest::gtest_main)
set_target_properties(release_zip_test PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
morv_set_warnings(release_zip_test)
add_dependencies(release_zip_test morvtime)
add_test(NAME release_zip_test
  COMMAND ${CMAKE_COMMAND} -DBINARY_DIR=${CMAKE_BINARY_DIR} -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
          -DCPACK=${CMAKE_CPACK_COMMAND} -DCONFIG=$<CONFIG>
          "-DRUNNER=${CMAKE_CROSSCOMPILING_EMULATOR}" -DPROGRAM=$<TARGET_FILE:release_zip_test>
          -P ${CMAKE_CURRENT_SOURCE_DIR}/release_zip_test.cmake)
set_tests_properties(release_zip_test PROPERTIES TIMEOUT 600)

if(NOT MSVC)
  # Two builds of the program from two folders give the same bytes (MinGW links without a time).
  add_test(NAME reproducible_build_test
    COMMAND ${CMAKE_COMMAND} -DBINARY_DIR=${CMAKE_BINARY_DIR} -DSOURCE_DIR=${PROJECT_SOURCE_DIR}
            "-DGENERATOR=${CMAKE_GENERATOR}" -DTOOLCHAIN=${CMAKE_TOOLCHAIN_FILE} -DCONFIG=$<CONFIG>
            -P ${CMAKE_CURRENT_SOURCE_DIR}/reproducible_build_test.cmake)
  set_tests_properties(reproducible_build_test PROPERTIES TIMEOUT 600)
endif()
