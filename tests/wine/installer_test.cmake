# SPDX-FileCopyrightText: 2026 MorvTime Developers
# SPDX-License-Identifier: MIT
# The installer: this version's MSI (the installer target) and an older build's
# (installer_test_older: a lower version that installs the licence too), put under tests/installer.
# Then the Installer suite of the Windows test program installs, upgrades and uninstalls them in a
# private Wine prefix, made afresh as a user makes one, so that what they leave behind shows and
# the other tests' prefix stays as it is, with Wine's menu builder off.
#   cmake -DBINARY_DIR=... -DSOURCE_DIR=... -DNAME=... -DRUNNER=... -DTEST_ENV=... -DPROGRAM=...
#         -P installer_test.cmake
# TEST_ENV runs a command in the tests' Wine environment (test_env.sh exec), RUNNER a Windows
# program there.
set(work "${BINARY_DIR}/tests/installer")
execute_process(COMMAND ${CMAKE_COMMAND} --build "${BINARY_DIR}"
                        --target installer installer_test_older
                OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
configure_file("${BINARY_DIR}/${NAME}.msi" "${work}/current.msi" COPYONLY)

set(prefix "${work}/prefix")
set(ENV{MORV_TEST_WINEPREFIX} "${prefix}")
set(ENV{MORV_WINEDLLOVERRIDES} "winemenubuilder.exe=d")
execute_process(COMMAND ${TEST_ENV} wineserver -k OUTPUT_QUIET ERROR_QUIET)
file(REMOVE_RECURSE "${prefix}")
# Made as the README tells a user to: wineboot, then scripts/japanese-prefix (which also makes a
# Wine 8 prefix say Windows 10, as the installer requires); its Wine processes then run at 120 DPI.
set(make_prefix [[
  source "$1/scripts/wine-env.sh" &&
  morv_wine_step "making the Wine prefix $WINEPREFIX" 300 wineboot -i &&
  "$1/scripts/japanese-prefix" && morv_restart_prefix 120]])
execute_process(COMMAND ${TEST_ENV} bash -c "${make_prefix}" _ "${SOURCE_DIR}"
                RESULT_VARIABLE result)
if(result EQUAL 0)
  # The output goes to a file, not to ctest's pipe, which a program the test failed to close would
  # hold open until the time-out; ending the prefix's processes ends any such program.
  execute_process(COMMAND ${RUNNER} "${PROGRAM}" --gtest_filter=Installer.*
                  OUTPUT_FILE "${work}/test.log" ERROR_FILE "${work}/test.log"
                  RESULT_VARIABLE result)
  file(READ "${work}/test.log" log)
  message("${log}")
endif()
execute_process(COMMAND ${TEST_ENV} wineserver -k OUTPUT_QUIET ERROR_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the installer failed its test (${result}); its prefix is left at ${prefix}")
endif()
file(REMOVE_RECURSE "${prefix}")
