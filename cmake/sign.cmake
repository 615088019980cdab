# Signs a program in place with Authenticode and SHA-256 through osslsigncode. The cross build
# runs it right after linking Brantel.exe (cmake/signing.cmake). Run with cmake -P and:
#   -DFILE=<program> -DOSSLSIGNCODE=<osslsigncode> -DSH=<sh>
#   -DCERT=<PEM certificate> -DKEY=<PEM key>, or -DPKCS12=<file>
#   [-DTIMESTAMP_URL=<RFC 3161 server>]
# The password of a PKCS#12 file or of an encrypted key comes from the environment variable
# BRANTEL_SIGN_PASSWORD and reaches osslsigncode on its standard input. With SOURCE_DATE_EPOCH
# set, that is the signing time written into the signature, so signing again gives the same bytes.
#
# osslsigncode writes the signed program beside FILE, and it replaces FILE only once complete. On
# any failure FILE is removed as well, so no unsigned or half-signed program is left where the
# program lands, and the next build links it again.
cmake_policy(VERSION 3.25)

set(partial "${FILE}.signing")
file(REMOVE "${partial}")

function(give_up text)
  file(REMOVE "${partial}" "${FILE}")
  message(FATAL_ERROR "Signing ${FILE} failed: ${text}")
endfunction()

# A file that signing reads must be there, be a file, and be readable; a PEM file must hold a
# block whose label matches `pem_label` (a regular expression), an empty `pem_label` skips that.
function(check_input what path pem_label)
  if(NOT EXISTS "${path}")
    give_up("the ${what} file ${path} does not exist")
  endif()
  if(IS_DIRECTORY "${path}")
    give_up("the ${what} file ${path} is a folder")
  endif()
  execute_process(COMMAND "${CMAKE_COMMAND}" -E cat "${path}" OUTPUT_QUIET ERROR_QUIET
                  RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    give_up("the ${what} file ${path} cannot be read")
  endif()
  if(pem_label)
    file(STRINGS "${path}" begins REGEX "^-----BEGIN ${pem_label}-----")
    if(NOT begins)
      give_up("the ${what} file ${path} holds no PEM ${what}")
    endif()
  endif()
endfunction()

if(NOT EXISTS "${FILE}")
  give_up("there is no ${FILE} to sign")
endif()
set(arguments sign -h sha256 -n "Brantel setup")
if(PKCS12)
  check_input("PKCS#12" "${PKCS12}" "")
  list(APPEND arguments -pkcs12 "${PKCS12}")
elseif(CERT AND KEY)
  check_input("certificate" "${CERT}" "CERTIFICATE")
  check_input("private key" "${KEY}" "([A-Z]+ )?(ENCRYPTED )?PRIVATE KEY")
  list(APPEND arguments -certs "${CERT}" -key "${KEY}")
else()
  give_up("give CERT and KEY, or PKCS12")
endif()
set(password_note "")
if(DEFINED ENV{BRANTEL_SIGN_PASSWORD})
  list(APPEND arguments -readpass /dev/stdin)
else()
  set(password_note " (BRANTEL_SIGN_PASSWORD is not set)")
endif()
if(TIMESTAMP_URL)
  list(APPEND arguments -ts "${TIMESTAMP_URL}")
endif()
if("$ENV{SOURCE_DATE_EPOCH}" MATCHES "^[0-9]+$")
  list(APPEND arguments -time "$ENV{SOURCE_DATE_EPOCH}")
endif()
list(APPEND arguments -in "${FILE}" -out "${partial}")

# printf is the shell's own, so the password is on no process's command line.
execute_process(
  COMMAND "${SH}" -c "printf '%s' \"\$BRANTEL_SIGN_PASSWORD\" | exec \"\$0\" \"\$@\""
          "${OSSLSIGNCODE}" ${arguments}
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0 OR NOT EXISTS "${partial}")
  string(REGEX REPLACE "\n+$" "" output "${output}")
  string(REPLACE "\n" "\n    " output "    ${output}")
  if(output MATCHES "PKCS12_parse:mac verify failure|Wrong password")
    set(problem "wrong password for ${PKCS12}${password_note}")
  elseif(output MATCHES "key values mismatch|consistency of a private key")
    set(problem "the private key ${KEY} does not match the certificate ${CERT}")
  elseif(output MATCHES "Failed to read certificate file")
    set(problem "osslsigncode cannot read a certificate from ${CERT}")
  elseif(output MATCHES "Failed to (read|decode) private key|bad decrypt|Failed to read key")
    set(problem "osslsigncode cannot read the private key${password_note}")
  else()
    set(problem "osslsigncode stopped with ${result}")
  endif()
  give_up("${problem}. osslsigncode said:\n${output}")
endif()
file(RENAME "${partial}" "${FILE}")
