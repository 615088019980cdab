# Signing Brantel.exe as part of the cross build. Given a certificate and its key, either as two
# PEM files or as one PKCS#12 file, the build signs the program right after linking it, with
# Authenticode and SHA-256, through osslsigncode (cmake/sign.cmake). Given neither, nothing is
# added to the build and Brantel.exe is the same file as ever.
#
# Passwords never go into the cache or onto a command line: the build step reads the one of a
# PKCS#12 file (or of an encrypted PEM key) from the environment variable BRANTEL_SIGN_PASSWORD.

set(BRANTEL_SIGN_CERT "" CACHE FILEPATH
    "PEM file of the signing certificate (and any intermediate ones); empty: no signing")
set(BRANTEL_SIGN_KEY "" CACHE FILEPATH "PEM file of the private key of BRANTEL_SIGN_CERT")
set(BRANTEL_SIGN_PKCS12 "" CACHE FILEPATH
    "PKCS#12 file of certificate and key, instead of the two PEM files; password from the environment variable BRANTEL_SIGN_PASSWORD")
set(BRANTEL_SIGN_TIMESTAMP_URL "" CACHE STRING
    "RFC 3161 time-stamp server that the signature is stamped by; empty: no time stamp")

# Adds the signing step to `target` when the cache names a certificate.
function(brantel_sign_after_link target)
  if(NOT BRANTEL_SIGN_CERT AND NOT BRANTEL_SIGN_KEY AND NOT BRANTEL_SIGN_PKCS12)
    return()
  endif()
  if(BRANTEL_SIGN_PKCS12 AND (BRANTEL_SIGN_CERT OR BRANTEL_SIGN_KEY))
    message(FATAL_ERROR "Signing: give either BRANTEL_SIGN_PKCS12 or BRANTEL_SIGN_CERT with "
                        "BRANTEL_SIGN_KEY, not both")
  endif()
  if(NOT BRANTEL_SIGN_PKCS12 AND NOT (BRANTEL_SIGN_CERT AND BRANTEL_SIGN_KEY))
    message(FATAL_ERROR "Signing: BRANTEL_SIGN_CERT and BRANTEL_SIGN_KEY go together; "
                        "only one of them is set")
  endif()
  find_program(BRANTEL_OSSLSIGNCODE osslsigncode)
  if(NOT BRANTEL_OSSLSIGNCODE)
    message(FATAL_ERROR "Signing needs osslsigncode (Debian package osslsigncode)")
  endif()
  find_program(BRANTEL_SH sh REQUIRED)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND "${CMAKE_COMMAND}" "-DFILE=$<TARGET_FILE:${target}>"
            "-DOSSLSIGNCODE=${BRANTEL_OSSLSIGNCODE}" "-DSH=${BRANTEL_SH}"
            "-DCERT=${BRANTEL_SIGN_CERT}" "-DKEY=${BRANTEL_SIGN_KEY}"
            "-DPKCS12=${BRANTEL_SIGN_PKCS12}" "-DTIMESTAMP_URL=${BRANTEL_SIGN_TIMESTAMP_URL}"
            -P "${CMAKE_SOURCE_DIR}/cmake/sign.cmake"
    COMMENT "Signing ${target}"
    VERBATIM)
endfunction()
