# A signed build: a throwaway certificate authority signs a code-signing certificate, the cross
# build signs Brantel.exe with it, and osslsigncode accepts the program against that authority.
# Without its signature the program is the project's unsigned build, byte for byte; one changed
# payload byte breaks the signature; with SOURCE_DATE_EPOCH, signing again gives the same bytes.
# Leaves the signed tree for the end-to-end scenario that installs with the signed program.
# Inputs: those of sign_helpers.cmake, GENERATOR, DD, INSPECT (brantel-inspect).
include("${CMAKE_CURRENT_LIST_DIR}/sign_helpers.cmake")

if(NOT EXISTS "${REFERENCE}")
  fail("No cross build at ${REFERENCE}: build the cross preset first")
endif()
make_test_authority()
set(tree "${WORK_DIR}/tree")
set(signed "${tree}/src/app/Brantel.exe")
configure_signed_tree("${tree}" "-DBRANTEL_SIGN_CERT=${KEYS}/signer.pem"
                      "-DBRANTEL_SIGN_KEY=${KEYS}/signer.key")
unset(ENV{SOURCE_DATE_EPOCH})
build_program("${tree}" result output)
if(NOT result EQUAL 0)
  fail("The signed build failed:\n${output}")
endif()
if(EXISTS "${signed}.signing")
  fail("The signing step left ${signed}.signing behind")
endif()
must_verify("${signed}")
verify_signed("${signed}" result output)
message("${output}")

# The signature is all that signing adds.
set(stripped "${WORK_DIR}/stripped.exe")
file(REMOVE "${stripped}")
execute_process(COMMAND "${OSSLSIGNCODE}" remove-signature -in "${signed}" -out "${stripped}"
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  fail("osslsigncode remove-signature failed:\n${output}")
endif()
must_match("${stripped}" "${REFERENCE}" "The signed program without its signature")

# Our own reader sees the certificate table and finds nothing wrong with the signed program.
execute_process(COMMAND "${INSPECT}" list "${signed}" RESULT_VARIABLE result
                OUTPUT_VARIABLE listed ERROR_VARIABLE listed)
string(CONCAT table_regex "\ncertificate table: offset [0-9]+, [0-9]+ bytes, 1 entry\n"
       "certificate 0: revision 0x0200 \\(2\\.0\\), type 0x0002 \\(PKCS#7 SignedData\\), "
       "[0-9]+ bytes\n$")
if(NOT result EQUAL 0 OR NOT listed MATCHES "${table_regex}")
  fail("brantel-inspect list does not show one Authenticode entry:\n${listed}")
endif()
execute_process(COMMAND "${INSPECT}" check "${signed}" RESULT_VARIABLE result
                OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  fail("brantel-inspect check rejects the signed program:\n${output}")
endif()
foreach(program IN ITEMS signed REFERENCE)
  execute_process(COMMAND "${INSPECT}" bom "${${program}}" RESULT_VARIABLE result
                  OUTPUT_VARIABLE bom_${program} ERROR_VARIABLE errors)
  if(NOT result EQUAL 0)
    fail("brantel-inspect bom ${${program}} failed: ${errors}")
  endif()
endforeach()
if(NOT bom_signed STREQUAL bom_REFERENCE)
  fail("The signed program carries other components:\n${bom_signed}")
endif()
message("brantel-inspect list ${signed}:\n${listed}")

# One byte of a component inside the signed program, changed: the signature no longer holds.
file(READ "${signed}" hex HEX)
utf16_hex("Brantel test stand-in for MSCOMCTL.OCX" needle)
string(FIND "${hex}" "${needle}" at)
unset(hex)
if(at LESS 0)
  fail("MSCOMCTL.OCX's version text is not in ${signed}")
endif()
math(EXPR byte "${at} / 2")
set(tampered "${WORK_DIR}/tampered.exe")
file(COPY_FILE "${signed}" "${tampered}")
# "B" of "Brantel" becomes "C".
execute_process(COMMAND "${PRINTF}" "C" COMMAND "${DD}" "of=${tampered}" bs=1 "seek=${byte}"
                        conv=notrunc status=none RESULTS_VARIABLE results)
if(NOT results MATCHES "^0;0$")
  fail("Could not change byte ${byte} of ${tampered}: ${results}")
endif()
verify_signed("${tampered}" result output)
message("The tampered copy (byte ${byte} changed):\n${output}")
if(result EQUAL 0 OR output MATCHES "Signature verification: ok")
  fail("osslsigncode accepted a program with a changed payload byte:\n${output}")
endif()

# Signing the same program twice, a second apart: with a fixed signing time the same bytes.
set(ENV{SOURCE_DATE_EPOCH} 1700000000)
foreach(round 1 2)
  file(COPY_FILE "${REFERENCE}" "${WORK_DIR}/again-${round}.exe")
  run_sign_step("${WORK_DIR}/again-${round}.exe" result output
                "-DCERT=${KEYS}/signer.pem" "-DKEY=${KEYS}/signer.key")
  if(NOT result EQUAL 0)
    fail("Signing again failed:\n${output}")
  endif()
  execute_process(COMMAND sleep 1.2)
endforeach()
must_match("${WORK_DIR}/again-1.exe" "${WORK_DIR}/again-2.exe" "Signed twice at one signing time")
must_verify("${WORK_DIR}/again-1.exe")
unset(ENV{SOURCE_DATE_EPOCH})
