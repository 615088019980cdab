# Bad signing input stops the build with an error that names the problem, and leaves neither the
# program nor a part-signed file where the program lands. The signing step is tried on its own
# for each kind of bad input, and once inside a cross build, which then signs from a PKCS#12 file
# once its password is right.
# Inputs: those of sign_helpers.cmake, GENERATOR.
include("${CMAKE_CURRENT_LIST_DIR}/signing.py")

make_test_authority()
set(program "${WORK_DIR}/step/Brantel.exe")
file(WRITE "${KEYS}/not-a-certificate.pem" "this is no certificate\n")
file(MAKE_DIRECTORY "${KEYS}/a-folder.pem")

# Each case: what it is, the -D settings of the signing step (split at commas), and what the
# error must say.
set(cases
  "missing certificate|-DCERT=${KEYS}/absent.pem,-DKEY=${KEYS}/signer.key|the certificate file .+/absent\\.pem does not exist"
  "missing key|-DCERT=${KEYS}/signer.pem,-DKEY=${KEYS}/absent.key|the private key file .+/absent\\.key does not exist"
  "missing PKCS#12|-DPKCS12=${KEYS}/absent.p12|the PKCS#12 file .+/absent\\.p12 does not exist"
  "folder for a certificate|-DCERT=${KEYS}/a-folder.pem,-DKEY=${KEYS}/signer.key|the certificate file .+/a-folder\\.pem is a folder"
  "certificate file without a certificate|-DCERT=${KEYS}/not-a-certificate.pem,-DKEY=${KEYS}/signer.key|the certificate file .+/not-a-certificate\\.pem holds no PEM certificate"
  "key of another certificate|-DCERT=${KEYS}/signer.pem,-DKEY=${KEYS}/other.key|the private key .+/other\\.key does not match the certificate .+/signer\\.pem"
  "wrong password|-DPKCS12=${KEYS}/signer.p12|wrong password for .+/signer\\.p12")
set(ENV{BRANTEL_SIGN_PASSWORD} "not the password")
foreach(case IN LISTS cases)
  string(REPLACE "|" ";" fields "${case}")
  list(GET fields 0 what)
  list(GET fields 1 settings)
  list(GET fields 2 expected)
  string(REPLACE "," ";" settings "${settings}")
  file(REMOVE_RECURSE "${WORK_DIR}/step")
  file(MAKE_DIRECTORY "${WORK_DIR}/step")
  file(COPY_FILE "${REFERENCE}" "${program}")
  run_sign_step("${program}" result output ${settings})
  if(result EQUAL 0)
    fail("Signing passed with a ${what}:\n${output}")
  endif()
  # CMake wraps long messages; the words are what counts.
  string(REGEX REPLACE "[ \n]+" " " output "${output}")
  if(NOT output MATCHES "Signing .+/Brantel\\.exe failed: ${expected}")
    fail("The error for a ${what} does not say so:\n${output}")
  endif()
  file(GLOB left "${WORK_DIR}/step/*")
  if(left)
    fail("A failed signing (${what}) left ${left}")
  endif()
  string(REGEX MATCH "failed: .*" said "${output}")
  string(REGEX REPLACE "( Call Stack| osslsigncode said:).*" "" said "${said}")
  message("${what}: ${said}")
endforeach()

# Settings that contradict each other stop the configure step.
execute_process(
  COMMAND "${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${WORK_DIR}/contradicting" -G "${GENERATOR}"
          "--toolchain=${SOURCE_DIR}/cmake/toolchain-mingw-i686.cmake"
          "-DBRANTEL_SIGN_PKCS12=${KEYS}/signer.p12" "-DBRANTEL_SIGN_CERT=${KEYS}/signer.pem"
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
string(REGEX REPLACE "[ \n]+" " " output "${output}")
if(result EQUAL 0 OR NOT output MATCHES "give either BRANTEL_SIGN_PKCS12 or BRANTEL_SIGN_CERT")
  fail("Configuring with both a PKCS#12 file and a PEM certificate did not stop:\n${output}")
endif()
file(REMOVE_RECURSE "${WORK_DIR}/contradicting")

# Inside a build: the wrong password fails the build and leaves no Brantel.exe; the right one,
# passed the same way, gives a program that verifies.
set(tree "${WORK_DIR}/tree")
configure_signed_tree("${tree}" "-DBRANTEL_SIGN_PKCS12=${KEYS}/signer.p12")
build_program("${tree}" result output)
string(REGEX REPLACE "[ \n]+" " " output "${output}")
if(result EQUAL 0 OR NOT output MATCHES "failed: wrong password for .+/signer\\.p12")
  fail("The build with a wrong password did not stop naming it:\n${output}")
endif()
file(GLOB left "${tree}/src/app/Brantel.exe*")
if(left)
  fail("The failed build left ${left}")
endif()
set(ENV{BRANTEL_SIGN_PASSWORD} "${PKCS12_PASSWORD}")
build_program("${tree}" result output)
if(NOT result EQUAL 0)
  fail("The build with the right password failed:\n${output}")
endif()
must_verify("${tree}/src/app/Brantel.exe")
file(REMOVE_RECURSE "${tree}")
