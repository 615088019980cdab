# A signed build: a throwaway certificate authority signs a code-signing certificate, the cross
# build signs Brantel.exe with it, and osslsigncode accepts the program against that authority.
# Without its signature the program is the project's unsigned build, byte for byte; one changed
# payload byte breaks the signature; with SOURCE_DATE_EPOCH, signing again gives the same bytes.
# Signed components, once and twice, are reported with every signature. A later build with another
# SOURCE_DATE_EPOCH writes it into the CycloneDX document. Leaves the signed tree for the
# end-to-end scenario that installs with the signed program.
# Inputs: those of sign_helpers.cmake, GENERATOR, DD, INSPECT (brantel-inspect).
include("${CMAKE_CURRENT_LIST_DIR}/signing.py")

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

# The file offset of data directory 4, the certificate table's, in the PE32 image `file`.
function(certificate_directory file out_var)
  read_u32("${file}" 60 lfanew)
  math(EXPR directory "${lfanew} + 24 + 96 + 4 * 8")
  set(${out_var} ${directory} PARENT_SCOPE)
endfunction()

# Changes the "B" of the version text "Brantel test stand-in for NAME" in `file` into "C": a byte
# that a signature covers. Gives its offset.
function(change_version_text file name out_var)
  file(READ "${file}" hex HEX)
  utf16_hex("Brantel test stand-in for ${name}" needle)
  string(FIND "${hex}" "${needle}" at)
  if(at LESS 0)
    fail("${name}'s version text is not in ${file}")
  endif()
  math(EXPR byte "${at} / 2")
  patch_le("${file}" ${byte} 0x43 1)
  set(${out_var} ${byte} PARENT_SCOPE)
endfunction()

# The certificate directory of copies of the signed program, bent three ways: `check` names each.
certificate_directory("${signed}" directory)
read_u32("${signed}" ${directory} table_offset)
math(EXPR size_field "${directory} + 4")
read_u32("${signed}" ${size_field} table_size)

math(EXPR misaligned "${table_offset} + 4")
math(EXPR too_long "${table_size} + 8")
math(EXPR inside_section "${table_offset} - 4096")
set(bent_cases
  "misaligned|${directory}|${misaligned}|offset not a multiple of 8"
  "past-end|${directory} + 4|${too_long}|runs past the end of the file"
  "overlapping|${directory}|${inside_section}|overlaps the headers or a section")
foreach(case IN LISTS bent_cases)
  string(REPLACE "|" ";" fields "${case}")
  list(GET fields 0 what)
  list(GET fields 1 at)
  list(GET fields 2 value)
  list(GET fields 3 said)
  math(EXPR at "${at}")
  set(bent "${WORK_DIR}/${what}.exe")
  file(COPY_FILE "${signed}" "${bent}")
  patch_le("${bent}" ${at} ${value} 4)
  execute_process(COMMAND "${INSPECT}" check "${bent}" RESULT_VARIABLE result
                  OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(result EQUAL 0 OR NOT output MATCHES "PE certificate table: ${said}")
    fail("brantel-inspect check on the ${what} table (${result}):\n${output}")
  endif()
  message("${output}")
endforeach()

# One byte of a component inside the signed program, changed: the signature no longer holds.
set(tampered "${WORK_DIR}/tampered.exe")
file(COPY_FILE "${signed}" "${tampered}")
change_version_text("${tampered}" MSCOMCTL.OCX byte)
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

# Signed components. Two stand-ins signed by the test authority's signer, a third signed and then
# changed inside what its signature covers, a fourth signed by both signers (the second signature
# nested in the first, as osslsigncode -nest writes it), the rest as built: the list, the document
# and a build that requires signed components each say which is which.
get_filename_component(cross_dir "${REFERENCE}/../../.." ABSOLUTE)
set(standins "${cross_dir}/standin/components")
set(mixed "${WORK_DIR}/mixed-components")
file(REMOVE_RECURSE "${mixed}")
file(COPY "${standins}/" DESTINATION "${mixed}")
set(intact MSCOMCTL.OCX COMCTL32.OCX)
set(changed VBAME.DLL)
set(twice MSINET.OCX)
# osslsigncode sign with the arguments in ARGN, from `in` to `out`.
function(sign_file in out)
  file(REMOVE "${out}")
  execute_process(COMMAND "${OSSLSIGNCODE}" sign ${ARGN} -in "${in}" -out "${out}"
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    fail("osslsigncode could not sign ${in}:\n${output}")
  endif()
endfunction()
foreach(name IN LISTS intact changed twice)
  sign_file("${standins}/${name}" "${WORK_DIR}/${name}" -certs "${KEYS}/signer.pem"
            -key "${KEYS}/signer.key")
  file(RENAME "${WORK_DIR}/${name}" "${mixed}/${name}")
endforeach()
change_version_text("${mixed}/${changed}" ${changed} byte)
file(RENAME "${mixed}/${twice}" "${WORK_DIR}/${twice}")
sign_file("${WORK_DIR}/${twice}" "${mixed}/${twice}" -nest -certs "${KEYS}/second.pem"
          -key "${KEYS}/second.key")

execute_process(COMMAND "${INSPECT}" bom "${mixed}" RESULT_VARIABLE result
                OUTPUT_VARIABLE listed ERROR_VARIABLE errors)
execute_process(COMMAND "${INSPECT}" bom --format cyclonedx "${mixed}" RESULT_VARIABLE cdx_result
                OUTPUT_VARIABLE document ERROR_VARIABLE errors)
if(NOT result EQUAL 0 OR NOT cdx_result EQUAL 0)
  fail("brantel-inspect bom ${mixed} failed: ${errors}")
endif()
message("${listed}")
# The line of the list `listed` that describes the component `name`.
function(listed_line listed name out_var)
  string(FIND "${listed}" "\n${name}\t" at)
  if(at LESS 0)
    fail("The list has no line for ${name}:\n${listed}")
  endif()
  string(SUBSTRING "${listed}" ${at} -1 line)
  string(REGEX REPLACE "^\n([^\n]*)\n.*" "\\1" line "${line}")
  set(${out_var} "${line}" PARENT_SCOPE)
endfunction()
read_catalogue(names)
set(expected_failing "")
set(index 0)
set(ok "signed, chain not checked")
foreach(name IN LISTS names)
  # One entry for each signature.
  set(texts "none")
  set(signers "-")
  set(digests "-")
  if(name IN_LIST intact OR name IN_LIST changed)
    set(texts "${ok}")
    set(signers "CN=Brantel Test Publisher")
    set(digests "matches (SHA256)")
  elseif(name IN_LIST twice)
    set(texts "${ok}" "${ok}")
    set(signers "CN=Brantel Test Publisher" "${SECOND_SUBJECT}")
    set(digests "matches (SHA256)" "matches (SHA256)")
  endif()
  if(name IN_LIST changed)
    set(digests "does not match (SHA256)")
  endif()
  if(NOT name IN_LIST intact AND NOT name IN_LIST twice)
    list(APPEND expected_failing "${name}")
  endif()
  list(JOIN texts " | " signature)
  list(JOIN signers " | " signer)
  list(JOIN digests " | " digest)
  # The list's last three fields on the component's line.
  listed_line("${listed}" ${name} line)
  string(REPLACE "\t" ";" fields "${line}")
  list(SUBLIST fields 8 3 said)
  if(NOT said STREQUAL "${signature};${signer};${digest}")
    fail("The list should say ${signature}, ${signer}, ${digest} of ${name}:\n${listed}")
  endif()
  # The document's properties, by name.
  string(JSON count LENGTH "${document}" components ${index} properties)
  set(said "")
  math(EXPR last "${count} - 1")
  foreach(p RANGE ${last})
    string(JSON key GET "${document}" components ${index} properties ${p} name)
    string(JSON value GET "${document}" components ${index} properties ${p} value)
    string(APPEND said "${key}=${value};")
  endforeach()
  string(JSON listed_name GET "${document}" components ${index} name)
  set(want "brantel:signature=none;")
  if(NOT signer STREQUAL "-")
    set(want "")
    foreach(one_text one_signer one_digest IN ZIP_LISTS texts signers digests)
      string(APPEND want "brantel:signature=${one_text};brantel:signer=${one_signer};"
             "brantel:signedDigest=${one_digest};")
    endforeach()
  endif()
  string(FIND "${said}" "${want}" found)
  if(NOT listed_name STREQUAL name OR found LESS 0)
    fail("The document's component ${index} (${listed_name}) says ${said}\nnot ${want}")
  endif()
  math(EXPR index "${index} + 1")
endforeach()

# The components that a refusal to take unsigned components names, from its message in `text`.
function(refused_names text out_var)
  string(REGEX MATCH "components not signed with a digest that matches the file:(\n +[^\n]+)+"
         refusal "${text}")
  string(REGEX MATCHALL "\n +[A-Z0-9]+\\.[A-Z]+:" named "${refusal}")
  string(REGEX REPLACE "\n +([^:]+):" "\\1" named "${named}")
  set(${out_var} "${named}" PARENT_SCOPE)
endfunction()

# The signatures themselves bent: one byte of a signature value. Of the component signed once, its
# signer's, at the end of the entry; of the component signed twice, the first signer's, which
# ends where its unauthenticated attributes begin (8 bytes of headers, then the nested
# signature's identifier). With its nested signature holding, the second counts as signed.
set(not_verified "signature does not verify with the signer's certificate, chain not checked")
list(GET intact 0 bent_once)
set(bent_names ${bent_once} ${twice})
set(bent_said "\t${not_verified}\t" "\t${not_verified} | ${ok}\t")
set(bent_signature "${WORK_DIR}/bent-signature-components")
file(REMOVE_RECURSE "${bent_signature}")
file(COPY "${mixed}/" DESTINATION "${bent_signature}")
foreach(bent_name IN LISTS bent_names)
  set(bent_file "${bent_signature}/${bent_name}")
  certificate_directory("${bent_file}" directory)
  read_u32("${bent_file}" ${directory} entry_offset)
  read_u32("${bent_file}" ${entry_offset} entry_length)
  math(EXPR in_signature "${entry_offset} + ${entry_length} - 10")
  if(bent_name STREQUAL twice)
    file(READ "${bent_file}" hex HEX)
    string(FIND "${hex}" "060a2b060104018237020401" nested_at)  # 1.3.6.1.4.1.311.2.4.1
    math(EXPR in_signature "${nested_at} / 2 - 8 - 10")
  endif()
  file(READ "${bent_file}" old_byte OFFSET ${in_signature} LIMIT 1 HEX)
  math(EXPR new_byte "(0x${old_byte} + 1) % 256")
  patch_le("${bent_file}" ${in_signature} ${new_byte} 1)
endforeach()
execute_process(COMMAND "${INSPECT}" bom "${bent_signature}" RESULT_VARIABLE result
                OUTPUT_VARIABLE bent_listed ERROR_VARIABLE errors)
foreach(bent_name said IN ZIP_LISTS bent_names bent_said)
  listed_line("${bent_listed}" ${bent_name} line)
  string(FIND "${line}" "${said}" found)
  if(NOT result EQUAL 0 OR found LESS 0)
    fail("A changed signature byte of ${bent_name} goes unnoticed (${result}):\n"
         "${bent_listed}${errors}")
  endif()
endforeach()
set(expected_bent_failing "")
foreach(name IN LISTS names)
  if(name IN_LIST expected_failing OR name STREQUAL bent_once)
    list(APPEND expected_bent_failing "${name}")
  endif()
endforeach()
execute_process(COMMAND "${INSPECT}" bom --require-signed "${bent_signature}"
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
refused_names("${output}" named)
if(result EQUAL 0 OR NOT named STREQUAL expected_bent_failing)
  string(JOIN ", " expected_text ${expected_bent_failing})
  fail("brantel-inspect bom --require-signed should name ${expected_text} (${result}):\n${output}")
endif()

# A build that requires signed components stops, before anything is packed, and names exactly
# those that are not signed intact; the signed program, its list and its document that the tree
# had built go, so nothing that looks shippable stays. The signed tree packs them for that, then
# packs the stand-ins again for the scenario.
execute_process(COMMAND "${CMAKE_COMMAND}" --build "${tree}" --target brantel_bom -j 2
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
set(shipped "${signed}" "${tree}/src/app/Brantel.bom.txt" "${tree}/src/app/Brantel.cdx.json")
foreach(file IN LISTS shipped)
  if(NOT result EQUAL 0 OR NOT EXISTS "${file}")
    fail("The signed tree did not make ${file} (${result}):\n${output}")
  endif()
endforeach()
function(reconfigure_tree)
  execute_process(COMMAND "${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${tree}" ${ARGN}
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    fail("Configuring ${tree} with ${ARGN} failed:\n${output}")
  endif()
endfunction()
reconfigure_tree("-DBRANTEL_PAYLOAD_DIR=${mixed}" -DBRANTEL_REQUIRE_SIGNED_COMPONENTS=ON)
build_program("${tree}" result output)
message("A build that requires signed components:\n${output}")
refused_names("${output}" named)
if(result EQUAL 0 OR NOT named STREQUAL expected_failing)
  string(JOIN ", " expected_text ${expected_failing})
  string(JOIN ", " named_text ${named})
  fail("The build that requires signed components should fail naming ${expected_text}; "
       "it names ${named_text} (${result})")
endif()
foreach(file IN LISTS shipped)
  if(EXISTS "${file}")
    fail("The build that requires signed components left ${file}")
  endif()
endforeach()
reconfigure_tree("-DBRANTEL_PAYLOAD_DIR=${standins}" -DBRANTEL_REQUIRE_SIGNED_COMPONENTS=OFF)
build_program("${tree}" result output)
if(NOT result EQUAL 0)
  fail("Building the signed program again failed:\n${output}")
endif()
must_verify("${signed}")

# The document beside the program follows SOURCE_DATE_EPOCH from one build of the tree to the next.
set(document "${tree}/src/app/Brantel.cdx.json")
foreach(epoch IN ITEMS none 1700000000)
  set(expected "")
  unset(ENV{SOURCE_DATE_EPOCH})
  if(NOT epoch STREQUAL "none")
    set(ENV{SOURCE_DATE_EPOCH} ${epoch})
    set(expected "\"timestamp\": \"2023-11-14T22:13:20Z\"")
  endif()
  execute_process(COMMAND "${CMAKE_COMMAND}" --build "${tree}" --target brantel_bom -j 2
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  file(READ "${document}" written)
  string(REGEX MATCH "\"timestamp\": \"[^\"]*\"" time "${written}")
  if(NOT result EQUAL 0 OR NOT time STREQUAL expected)
    fail("Built with SOURCE_DATE_EPOCH ${epoch}, ${document} says ${time} (${result}):\n${output}")
  endif()
endforeach()
unset(ENV{SOURCE_DATE_EPOCH})
