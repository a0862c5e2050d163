# The installer: this version's MSI, built twice by the build's installer target (the same bytes
# both times), and an older build's (installer_test_older: a lower version with the licence
# besides), put under tests/installer with the program's icon; then the Installer suite of the
# Windows test program installs, upgrades and uninstalls them in a private Wine prefix, made
# afresh so that whatever they leave behind shows and the prefix of the other tests stays as it
# is, with Wine's menu builder off.
#   cmake -DBINARY_DIR=... -DSOURCE_DIR=... -DNAME=... -DRUNNER=... -DPROGRAM=...
#         -P installer_test.cmake
set(work "${BINARY_DIR}/tests/installer")
set(msi "${BINARY_DIR}/${NAME}.msi")

function(build)
  execute_process(COMMAND ${CMAKE_COMMAND} --build "${BINARY_DIR}" --target ${ARGN}
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "building ${ARGN} failed (${result}):\n${output}")
  endif()
endfunction()

build(installer installer_test_older)
file(SHA256 "${msi}" first)
execute_process(COMMAND ${CMAKE_COMMAND} -E sleep 1.1)
build(installer)
file(SHA256 "${msi}" second)
if(NOT first STREQUAL second)
  message(FATAL_ERROR "two builds of ${msi} a second apart differ")
endif()
file(SIZE "${msi}" size)
message(STATUS "installer: ${msi}, ${size} bytes")
configure_file("${msi}" "${work}/current.msi" COPYONLY)
configure_file("${SOURCE_DIR}/resources/morvtime.ico" "${work}/morvtime.ico" COPYONLY)

set(prefix "${work}/prefix")
set(ENV{WINEPREFIX} "${prefix}")
set(ENV{WINEDLLOVERRIDES} "$ENV{WINEDLLOVERRIDES};winemenubuilder.exe=d")
if(EXISTS "${prefix}")
  execute_process(COMMAND wineserver -k OUTPUT_QUIET ERROR_QUIET)
  file(REMOVE_RECURSE "${prefix}")
endif()
execute_process(
  COMMAND bash -c "source \"$1/scripts/wine-env.sh\" && morv_prepare_prefix 120" _ "${SOURCE_DIR}"
  RESULT_VARIABLE result)
if(result EQUAL 0)
  # The output goes to a file, not to ctest's pipe, which a program the test failed to close would
  # hold open until the time-out; ending the prefix's processes ends any such program.
  execute_process(COMMAND ${RUNNER} "${PROGRAM}" --gtest_filter=Installer.*
                  OUTPUT_FILE "${work}/test.log" ERROR_FILE "${work}/test.log" RESULT_VARIABLE result)
  file(READ "${work}/test.log" log)
  message("${log}")
endif()
execute_process(COMMAND wineserver -k OUTPUT_QUIET ERROR_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the installer failed its test (${result}); its prefix is left at ${prefix}")
endif()
file(REMOVE_RECURSE "${prefix}")
