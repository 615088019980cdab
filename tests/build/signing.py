# Shared by the signing tests. Inputs: SOURCE_DIR, WORK_DIR (this test's own folder), OPENSSL,
# OSSLSIGNCODE, SH, REFERENCE (the unsigned Brantel.exe of the project's cross build).
include("${CMAKE_CURRENT_LIST_DIR}/helpers.cmake")

set(KEYS "${WORK_DIR}/keys")
set(PKCS12_PASSWORD "correct horse 7")

function(run_openssl)
  execute_process(COMMAND "${OPENSSL}" ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output
                  ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    fail("openssl ${ARGN} failed:\n${output}")
  endif()
endfunction()

# A throwaway certificate authority, two code-signing certificates it issued (signer, also as a
# PKCS#12 file with PKCS12_PASSWORD, and second, whose subject RFC 2253 writes with an escape,
# SECOND_SUBJECT) and a key of nobody's certificate, all in KEYS.
set(SECOND_SUBJECT "CN=Brantel Second Publisher\\, Ltd,O=Example")
function(make_test_authority)
  file(REMOVE_RECURSE "${KEYS}")
  file(MAKE_DIRECTORY "${KEYS}")
  file(WRITE "${KEYS}/signer.ext" "basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\n"
                                  "extendedKeyUsage=codeSigning\n")
  run_openssl(req -x509 -newkey rsa:2048 -nodes -keyout "${KEYS}/ca.key" -out "${KEYS}/ca.pem"
              -days 30 -subj "/CN=Brantel Test Authority"
              -addext "basicConstraints=critical,CA:TRUE"
              -addext "keyUsage=critical,keyCertSign,cRLSign")
  set(serial 1)
  set(signers signer second)
  set(subjects "/CN=Brantel Test Publisher" "/O=Example/CN=Brantel Second Publisher, Ltd")
  foreach(signer subject IN ZIP_LISTS signers subjects)
    run_openssl(req -newkey rsa:2048 -nodes -keyout "${KEYS}/${signer}.key"
                -out "${KEYS}/${signer}.csr" -subj "${subject}")
    run_openssl(x509 -req -in "${KEYS}/${signer}.csr" -CA "${KEYS}/ca.pem" -CAkey "${KEYS}/ca.key"
                -set_serial ${serial} -days 30 -extfile "${KEYS}/signer.ext"
                -out "${KEYS}/${signer}.pem")
    math(EXPR serial "${serial} + 1")
  endforeach()
  run_openssl(pkcs12 -export -in "${KEYS}/signer.pem" -inkey "${KEYS}/signer.key"
              -out "${KEYS}/signer.p12" -passout "pass:${PKCS12_PASSWORD}")
  run_openssl(genpkey -algorithm RSA -pkeyopt rsa_keygen_bits:2048 -out "${KEYS}/other.key")
endfunction()

# Sets `result_var` to osslsigncode's exit code verifying `file` against the test authority, and
# `output_var` to what it said.
function(verify_signed file result_var output_var)
  execute_process(COMMAND "${OSSLSIGNCODE}" verify -CAfile "${KEYS}/ca.pem" -in "${file}"
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  set(${result_var} ${result} PARENT_SCOPE)
  set(${output_var} "${output}" PARENT_SCOPE)
endfunction()

function(must_verify file)
  verify_signed("${file}" result output)
  if(NOT result EQUAL 0 OR NOT output MATCHES "Signature verification: ok")
    fail("osslsigncode verify rejected ${file}:\n${output}")
  endif()
endfunction()

# Configures a cross tree at `tree` that packs the project build's stand-ins and signs with
# the extra cache settings in ARGN.
function(configure_signed_tree tree)
  get_filename_component(cross_dir "${REFERENCE}/../../.." ABSOLUTE)
  file(REMOVE_RECURSE "${tree}")
  execute_process(
    COMMAND "${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${tree}" -G "${GENERATOR}"
            "--toolchain=${SOURCE_DIR}/cmake/toolchain-mingw-i686.cmake"
            -DCMAKE_BUILD_TYPE=MinSizeRel
            "-DBRANTEL_PAYLOAD_DIR=${cross_dir}/standin/components" ${ARGN}
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    fail("Configuring the signed cross build failed:\n${output}")
  endif()
endfunction()

function(build_program tree result_var output_var)
  execute_process(COMMAND "${CMAKE_COMMAND}" --build "${tree}" --target Brantel -j 2
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  set(${result_var} ${result} PARENT_SCOPE)
  set(${output_var} "${output}" PARENT_SCOPE)
endfunction()

# Runs the build's signing step on its own, on `file`, with the -D settings in ARGN.
function(run_sign_step file result_var output_var)
  execute_process(
    COMMAND "${CMAKE_COMMAND}" "-DFILE=${file}" "-DOSSLSIGNCODE=${OSSLSIGNCODE}" "-DSH=${SH}"
            ${ARGN} -P "${SOURCE_DIR}/cmake/sign.cmake"
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  set(${result_var} ${result} PARENT_SCOPE)
  set(${output_var} "${output}" PARENT_SCOPE)
endfunction()

function(must_match a b what)
  file(SHA256 "${a}" hash_a)
  file(SHA256 "${b}" hash_b)
  if(NOT hash_a STREQUAL hash_b)
    fail("${what}: ${a} (${hash_a}) differs from ${b} (${hash_b})")
  endif()
endfunction()
