# SPDX-FileCopyrightText: 2026 MorvTime Developers
# SPDX-License-Identifier: MIT
# The bill of materials of a release made from this build: the zip and the MSI built, the SPDX
# document written over them and the program (the bill_of_materials target, as scripts/release
# does), then read back and checked against them, the notices and the link map by check_spdx.py,
# which shares no code with its writer.
#   cmake -DBINARY_DIR=... -DSOURCE_DIR=... -DNAME=... -DPYTHON=... -P bill_of_materials_test.cmake
execute_process(COMMAND ${CMAKE_COMMAND} --build "${BINARY_DIR}" --target zip installer
                OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${CMAKE_COMMAND} --build "${BINARY_DIR}" --target bill_of_materials
                OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND "${PYTHON}" "${SOURCE_DIR}/tests/wine/check_spdx.py"
                        "${BINARY_DIR}/${NAME}.spdx.json" "${BINARY_DIR}/NOTICES.txt"
                        "${BINARY_DIR}/morvtime.map" "${BINARY_DIR}/morvtime.exe"
                        "${BINARY_DIR}/${NAME}.zip" "${BINARY_DIR}/${NAME}.msi"
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the bill of materials failed its check (${result})")
endif()
