# SPDX-FileCopyrightText: 2026 MorvTime Developers
# SPDX-License-Identifier: MIT
# Signing as scripts/release does it: a throwaway self-signed code-signing certificate, made here
# with openssl, signs copies of the program and of the installer through scripts/sign. Both
# signatures verify against that certificate, signing again a second later gives the same bytes
# (no time stamp, the source date as the signing time), and the signed clock still starts and
# works under Wine (the SignedProgram suite of the Windows test program).
#   cmake -DBINARY_DIR=... -DSOURCE_DIR=... -DNAME=... -DRUNNER=... -DPROGRAM=...
#         -P signing_test.cmake
set(work "${BINARY_DIR}/tests/signing")
file(REMOVE_RECURSE "${work}")
file(MAKE_DIRECTORY "${work}")
function(run)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY "${work}" OUTPUT_QUIET
                  COMMAND_ERROR_IS_FATAL ANY)
endfunction()

run(${CMAKE_COMMAND} --build "${BINARY_DIR}" --target installer)
run(openssl req -x509 -newkey rsa:2048 -nodes -days 2 -keyout key.pem -out certificate.pem
    -subj "/CN=MorvTime test signer" -addext "extendedKeyUsage=codeSigning")
run(openssl pkcs12 -export -inkey key.pem -in certificate.pem -out signer.pfx
    -passout pass:throwaway)
set(ENV{MORV_SIGN_PFX} "${work}/signer.pfx")
set(ENV{MORV_SIGN_PASSWORD} throwaway)

configure_file("${SOURCE_DIR}/resources/Morvyomi.txt" "${work}/Morvyomi.txt" COPYONLY)
foreach(file "${BINARY_DIR}/morvtime.exe" "${BINARY_DIR}/${NAME}.msi")
  get_filename_component(name "${file}" NAME)
  configure_file("${file}" "${work}/${name}" COPYONLY)
  configure_file("${file}" "${work}/again-${name}" COPYONLY)
  run("${SOURCE_DIR}/scripts/sign" "${name}")
  run(${CMAKE_COMMAND} -E sleep 1.1)
  run("${SOURCE_DIR}/scripts/sign" "again-${name}")
  run(osslsigncode verify -CAfile certificate.pem -in "${name}")
  file(SHA256 "${work}/${name}" first)
  file(SHA256 "${work}/again-${name}" second)
  if(NOT first STREQUAL second)
    message(FATAL_ERROR "signing ${name} twice gave two different files")
  endif()
endforeach()

execute_process(COMMAND ${RUNNER} "${PROGRAM}" --gtest_filter=SignedProgram.*
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the signed clock failed its test (${result})")
endif()
