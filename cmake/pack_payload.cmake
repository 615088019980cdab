# Build step of the payload (cmake/payload.cmake): checks the folder of component files and writes
# payload.rc, which packs each file under its catalogue name, with what goes beside it. The
# folder's contents are read at build time, so a folder that this same build fills (the
# stand-ins) works, and a changed folder needs no new configure.
cmake_policy(VERSION 3.25)
include("${CMAKE_CURRENT_LIST_DIR}/facts.cmake")
include("${CMAKE_CURRENT_LIST_DIR}/write_if_changed.cmake")

# Inputs: FACTS (facts.json), PAYLOAD_DIR (the folder), FACTS_TOOL (the host's brantel-facts),
# OUTPUT (payload.rc), PACKED (payload.json, the name and file of each entry in catalogue order,
# for the tests and the benchmark), DIGESTS (payload_digests.inc, the SHA-256 of each entry that
# the program checks before it writes it), PACKED_FROM (where PAYLOAD_SAID, the folder as `make run` says it, is written), SHIPPED (the
# list of the files a build ships, one a line), REQUIRE_SIGNED (ON or OFF).
foreach(input FACTS PAYLOAD_DIR FACTS_TOOL OUTPUT PACKED DIGESTS PACKED_FROM PAYLOAD_SAID
              SHIPPED REQUIRE_SIGNED)
  if(NOT DEFINED ${input})
    message(FATAL_ERROR "pack_payload.cmake needs -D${input}=...")
  endif()
endforeach()

# A folder that cannot be packed leaves nothing that looks shippable: the program, its list and
# its document of an earlier build go too, so no old program stands where the new one should.
function(refuse text)
  if(EXISTS "${SHIPPED}")
    file(STRINGS "${SHIPPED}" shipped)
    file(REMOVE ${shipped})
  endif()
  message(FATAL_ERROR "${text}")
endfunction()

if(NOT IS_DIRECTORY "${PAYLOAD_DIR}")
  refuse("Payload folder ${PAYLOAD_DIR} does not exist")
endif()
brantel_read_catalogue("${FACTS}" catalogue_names)
brantel_read_payload_facts("${FACTS}" payload_type payload_language)

# The folder is matched to the catalogue, and each file checked for what its entry must be, by
# brantel-facts, which reads folders of components for their bill of materials by the same
# rule. Nothing is packed from a folder it refuses.
execute_process(COMMAND "${FACTS_TOOL}" components "${PAYLOAD_DIR}" RESULT_VARIABLE scanned
                OUTPUT_VARIABLE listing ERROR_VARIABLE problems)
if(NOT scanned EQUAL 0)
  if(NOT problems MATCHES "^\n  ")
    refuse("brantel-facts components ${PAYLOAD_DIR} failed: ${problems}")
  endif()
  refuse("Payload folder ${PAYLOAD_DIR} cannot be packed:${problems}")
endif()
if(REQUIRE_SIGNED)
  execute_process(COMMAND "${FACTS_TOOL}" bom --require-signed "${PAYLOAD_DIR}"
                  RESULT_VARIABLE checked OUTPUT_VARIABLE problems ERROR_VARIABLE problems)
  if(NOT checked EQUAL 0)
    string(STRIP "${problems}" problems)
    string(REPLACE "\n" "\n  " problems "${problems}")
    string(CONCAT text "Payload folder ${PAYLOAD_DIR} cannot be packed with signed components "
           "required (BRANTEL_REQUIRE_SIGNED_COMPONENTS=ON):\n  ${problems}")
    refuse("${text}")
  endif()
endif()
string(REPLACE "\n" ";" listing "${listing}")
set(unknown "")
foreach(line IN LISTS listing)
  if(line MATCHES "^component\t([^\t]+)\t(.+)$")
    set(found_${CMAKE_MATCH_1} "${CMAKE_MATCH_2}")
  elseif(line MATCHES "^unknown\t(.+)$")
    list(APPEND unknown "${CMAKE_MATCH_1}")
  endif()
endforeach()
foreach(name IN LISTS catalogue_names)
  if(NOT DEFINED found_${name})
    refuse("brantel-facts components ${PAYLOAD_DIR} did not list ${name}")
  endif()
endforeach()
if(unknown)
  list(JOIN unknown ", " unknown_text)
  message(WARNING "Not in the catalogue, left out of the payload: ${unknown_text}")
endif()

# Each entry carries its file's hash, so that a changed payload file changes payload.rc and
# windres runs again; windres reports no dependency on the files it packs.
set(digests "// Written by cmake/pack_payload.cmake: the SHA-256 of each payload entry.\n")
set(rc "// Written by cmake/pack_payload.cmake from the catalogue and\n")
string(APPEND rc "// ${PAYLOAD_DIR}.\n")
string(APPEND rc "LANGUAGE ${payload_language}\n")
set(packed "[]")
set(index 0)
foreach(name IN LISTS catalogue_names)
  set(path "${found_${name}}")
  if(path MATCHES "[\"\\\\]")
    refuse("Payload file path holds a quote or backslash: ${path}")
  endif()
  file(SHA256 "${path}" hash)
  string(APPEND rc "// sha256 ${hash}\n${name} ${payload_type} \"${path}\"\n")
  string(APPEND digests "BRANTEL_PAYLOAD_DIGEST(\"${name}\", \"${hash}\")\n")
  string(JSON packed SET "${packed}" ${index} "{\"name\": \"${name}\", \"path\": \"${path}\"}")
  math(EXPR index "${index} + 1")
endforeach()

brantel_write_if_changed("${OUTPUT}" "${rc}")
brantel_write_if_changed("${DIGESTS}" "${digests}")
brantel_write_if_changed("${PACKED}" "${packed}\n")
brantel_write_if_changed("${PACKED_FROM}" "${PAYLOAD_SAID}\n")
