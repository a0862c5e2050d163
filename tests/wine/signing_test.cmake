# SPDX-FileCopyrightText: 2026 MorvTime Developers
# SPDX-License-Identifier: MIT
# Signing as scripts/release does it, with throwaway certificates made here with openssl: a test
# certificate authority, a code-signing certificate whose key is kept in a SoftHSM token, and a
# time-stamping authority (openssl ts behind a loopback HTTP server, tsa_server.py). Through
# scripts/sign, the key in the token signs copies of the program and of the installer with time
# stamps; both verify, time stamp and all, and the signed clock starts and works under Wine (the
# SignedProgram suite). Each signature, moved onto an unsigned copy, gives the same bytes, which
# scripts/release --check relies on. A PKCS#12 file with an empty password signs too, and signing
# again a second later gives the same bytes (no time stamp, the source date as signing time).
# A signed scripts/release of a committed copy of the sources, traced (bash -x), given the PIN in
# its environment: after its first moment no process holds the PIN in its environment, while every
# process's is read over and over, and the trace does not show it.
#   cmake -DBINARY_DIR=... -DSOURCE_DIR=... -DNAME=... -DRUNNER=... -DPROGRAM=...
#         -P signing_test.cmake
set(work "${BINARY_DIR}/tests/signing")
file(REMOVE_RECURSE "${work}")
file(MAKE_DIRECTORY "${work}/tokens")
function(run)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY "${work}" OUTPUT_VARIABLE output
                  ERROR_VARIABLE output RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${ARGN} failed (${result}):\n${output}")
  endif()
  set(output "${output}" PARENT_SCOPE)
endfunction()
run(${CMAKE_COMMAND} --build "${BINARY_DIR}" --target installer)

# The authority, the signer and the time-stamping authority.
file(WRITE "${work}/extensions.cnf" "[signer]\nextendedKeyUsage = codeSigning\n"
     "[tsa]\nextendedKeyUsage = critical,timeStamping\n")
run(openssl req -x509 -newkey rsa:2048 -nodes -days 2 -keyout ca.key -out ca.pem
    -subj "/CN=MorvTime test authority")
foreach(who signer tsa)
  run(openssl req -newkey rsa:2048 -nodes -keyout ${who}.key -out ${who}.csr
      -subj "/CN=MorvTime test ${who}")
  run(openssl x509 -req -in ${who}.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2
      -extfile extensions.cnf -extensions ${who} -out ${who}.pem)
endforeach()
file(READ "${work}/signer.pem" signer)
file(READ "${work}/ca.pem" authority)
file(WRITE "${work}/chain.pem" "${signer}${authority}")

# The signer's key goes into a token, as a certificate authority issues it today. Its PIN is one
# that no other process's environment holds by chance.
string(RANDOM LENGTH 16 random)
set(pin "morv-pin-${random}")
file(WRITE "${work}/softhsm2.conf" "directories.tokendir = ${work}/tokens\n")
set(ENV{SOFTHSM2_CONF} "${work}/softhsm2.conf")
run(openssl pkcs8 -topk8 -nocrypt -in signer.key -out signer.pk8)
run(softhsm2-util --init-token --free --label morvtime --so-pin 87654321 --pin "${pin}")
run(softhsm2-util --import signer.pk8 --token morvtime --label signer --id 01 --pin "${pin}")
file(REMOVE "${work}/signer.key" "${work}/signer.pk8")

file(WRITE "${work}/tsa.cnf" "[tsa]\ndefault_tsa = authority\n[authority]\n"
     "serial = ${work}/tsa.serial\nsigner_cert = ${work}/tsa.pem\nsigner_key = ${work}/tsa.key\n"
     "certs = ${work}/ca.pem\nsigner_digest = sha256\ndefault_policy = 1.2.3.4.1\n"
     "digests = sha1, sha256, sha512\ness_cert_id_alg = sha256\n")
file(WRITE "${work}/tsa.serial" "01\n")
run(sh -c "python3 '${SOURCE_DIR}/tests/wine/tsa_server.py' tsa.cnf 120 >tsa.port 2>tsa.log &
           echo $! >tsa.pid")
foreach(wait RANGE 50)
  file(READ "${work}/tsa.port" port)
  string(STRIP "${port}" port)
  if(port)
    break()
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E sleep 0.1)
endforeach()

set(ENV{MORV_SIGN_PKCS11_MODULE} /usr/lib/softhsm/libsofthsm2.so)
set(ENV{MORV_SIGN_KEY} "pkcs11:token=morvtime;object=signer;type=private")
set(ENV{MORV_SIGN_CERT} "${work}/chain.pem")
set(ENV{MORV_SIGN_PASSWORD} "${pin}")
set(ENV{MORV_SIGN_TSA_URL} "http://127.0.0.1:${port}")
configure_file("${SOURCE_DIR}/resources/Morvyomi.txt" "${work}/Morvyomi.txt" COPYONLY)
foreach(file "${BINARY_DIR}/morvtime.exe" "${BINARY_DIR}/${NAME}.msi")
  get_filename_component(name "${file}" NAME)
  configure_file("${file}" "${work}/${name}" COPYONLY)
  configure_file("${file}" "${work}/unsigned-${name}" COPYONLY)
  run("${SOURCE_DIR}/scripts/sign" "${name}")
  run(osslsigncode verify -CAfile ca.pem -TSA-CAfile ca.pem -in "${name}")
  if(NOT output MATCHES "Timestamp Server Signature verification: ok")
    message(FATAL_ERROR "${name} has no verified time stamp:\n${output}")
  endif()
  # The signature moved onto an unsigned copy (attach-signature fails its own check against the
  # system's authorities, which do not know this one; the bytes are what counts).
  run(osslsigncode extract-signature -in "${name}" -out "${name}.p7")
  execute_process(COMMAND osslsigncode attach-signature -sigin "${name}.p7" -in "unsigned-${name}"
                          -out "moved-${name}" WORKING_DIRECTORY "${work}" OUTPUT_QUIET ERROR_QUIET)
  file(SHA256 "${work}/${name}" signed)
  file(SHA256 "${work}/moved-${name}" moved)
  if(NOT signed STREQUAL moved)
    message(FATAL_ERROR "${name}'s signature moved onto an unsigned copy gives other bytes")
  endif()
endforeach()

include(${CMAKE_CURRENT_LIST_DIR}/copy_sources.cmake)
morv_copy_sources("${SOURCE_DIR}" "${work}/release")
run(git -C release init -q)
run(git -C release add -A)
run(git -C release -c user.name=MorvTime -c user.email=tests@morvtime.invalid commit -q -m copy)
unset(ENV{MORV_SIGN_PASSWORD})
# (Without semicolons, which would split the argument.)
run(bash -c [[source "$2/scripts/wine-env.sh"
  MORV_SIGN_PASSWORD=$1 bash -x "$2/scripts/release" >release.log 2>release.trace &
  release=$! holders=""
  while morv_alive "$release"
  do
    for found in $(grep -l -a -F -e "$1" /proc/[0-9]*/environ 2>/dev/null)
    do
      pid=${found#/proc/} pid=${pid%/environ}
      if [ "$pid" = "$release" ]
      then
        # The release's first image holds it, before it has started anything.
        ps -o pid= --ppid "$release" | grep -q . && grep -q -a -F -e "$1" "$found" || continue
      fi
      holders+="$(tr '\0' ' ' 2>/dev/null <"/proc/$pid/cmdline")\n"
    done
    sleep 0.2  # leaving the build most of the processor
  done
  if ! wait "$release"
  then
    cat release.log release.trace >&2
    exit 1
  elif [ -n "$holders" ]
  then
    printf '%b' "$holders" | sort -u | sed 's/^/the PIN was in the environment of: /' >&2
    exit 1
  fi
  ! grep -F -e "$1" release.trace && grep -q 'scripts/sign ' release.trace &&
    grep 'Signed, with time stamps' release.log]] _ "${pin}" "${work}/release")
execute_process(COMMAND sh -c "kill $(cat tsa.pid)" WORKING_DIRECTORY "${work}")

# A PKCS#12 file with an empty password, twice, a second apart.
set(ENV{MORV_SIGN_PKCS11_MODULE} "")
set(ENV{MORV_SIGN_TSA_URL} "")
set(ENV{MORV_SIGN_PASSWORD} "")
set(ENV{MORV_SIGN_PFX} "${work}/self.pfx")
run(openssl req -x509 -newkey rsa:2048 -nodes -days 2 -keyout self.key -out self.pem
    -subj "/CN=MorvTime test signer" -addext "extendedKeyUsage=codeSigning")
run(openssl pkcs12 -export -inkey self.key -in self.pem -out self.pfx -passout pass:)
foreach(copy first second)
  configure_file("${work}/unsigned-morvtime.exe" "${work}/${copy}.exe" COPYONLY)
  run("${SOURCE_DIR}/scripts/sign" "${copy}.exe")
  run(osslsigncode verify -CAfile self.pem -in "${copy}.exe")
  run(${CMAKE_COMMAND} -E sleep 1.1)
endforeach()
file(SHA256 "${work}/first.exe" first)
file(SHA256 "${work}/second.exe" second)
if(NOT first STREQUAL second)
  message(FATAL_ERROR "signing with the PKCS#12 file twice gave two different files")
endif()

execute_process(COMMAND ${RUNNER} "${PROGRAM}" --gtest_filter=SignedProgram.*
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the signed clock failed its test (${result})")
endif()
