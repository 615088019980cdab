# The payload: the fourteen component files that Brantel.exe carries as resources named as the
# catalogue spells them, under the type and language that the program states (kPayloadType,
# kPayloadLanguage), as the facts (cmake/host_tools.cmake) say them.
#
# Included by the cross build, this file defines the targets. Run with `cmake -P` it is the build
# step that writes payload.rc: the folder's contents are read at build time, so a folder that this
# same build fills (the stand-ins) works, and a changed folder needs no new configure.

if(CMAKE_SCRIPT_MODE_FILE)
  cmake_policy(VERSION 3.25)
endif()

include("${CMAKE_CURRENT_LIST_DIR}/facts.cmake")

if(CMAKE_SCRIPT_MODE_FILE)
  # Build step. Inputs: FACTS (facts.json), PAYLOAD_DIR (the folder), FACTS_TOOL (the host's
  # brantel-facts), OUTPUT (payload.rc), PACKED (payload.json, the name and file of each entry in
  # catalogue order, for the tests and the benchmark), DIGESTS
  # (payload_digests.inc, the SHA-256 of each entry that the program checks before it writes it),
  # PACKED_FROM (where PAYLOAD_SAID, the folder as `make run` says it, is written), SHIPPED (the
  # list of the files a build ships, one a line), REQUIRE_SIGNED (ON or OFF).
  foreach(input FACTS PAYLOAD_DIR FACTS_TOOL OUTPUT PACKED DIGESTS PACKED_FROM PAYLOAD_SAID
                SHIPPED REQUIRE_SIGNED)
    if(NOT DEFINED ${input})
      message(FATAL_ERROR "payload.cmake needs -D${input}=...")
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
  set(digests "// Written by cmake/payload.cmake: the SHA-256 of each payload entry.\n")
  set(rc "// Written by cmake/payload.cmake from the catalogue and\n")
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

  include("${CMAKE_CURRENT_LIST_DIR}/write_if_changed.cmake")
  brantel_write_if_changed("${OUTPUT}" "${rc}")
  brantel_write_if_changed("${DIGESTS}" "${digests}")
  brantel_write_if_changed("${PACKED}" "${packed}\n")
  brantel_write_if_changed("${PACKED_FROM}" "${PAYLOAD_SAID}\n")
  return()
endif()

enable_language(RC)

set(BRANTEL_PAYLOAD_DIR "" CACHE PATH
    "Folder holding the fourteen component files to pack; empty packs this build's stand-ins")
set(BRANTEL_STANDIN_DIR "${CMAKE_BINARY_DIR}/standin/components")
set(BRANTEL_PAYLOAD_RC "${CMAKE_BINARY_DIR}/payload/payload.rc")
set(BRANTEL_PAYLOAD_PACKED "${CMAKE_BINARY_DIR}/payload/payload.json")
set(BRANTEL_PAYLOAD_DIGESTS "${CMAKE_BINARY_DIR}/payload/payload_digests.inc")
# The folder the last packing read, for `make run` to say which it packed.
set(BRANTEL_PACKED_FROM "${CMAKE_BINARY_DIR}/payload/packed_from.txt")
# What a build ships from src/app, one file a line, written by cmake/bom.cmake: what a refused
# build removes.
set(BRANTEL_SHIPPED_LIST "${CMAKE_BINARY_DIR}/payload/shipped.txt")

# A release build may insist that every component it packs is signed and still the file that was
# signed. Checked before anything is packed, so that a refused build leaves no program behind, and
# the message names every component that fails, whatever folder they came from.
option(BRANTEL_REQUIRE_SIGNED_COMPONENTS
       "Fail the build when a component is unsigned or its signed digest does not match it" OFF)

add_subdirectory("${CMAKE_SOURCE_DIR}/tools/build/standin" "${CMAKE_BINARY_DIR}/standin")

if(BRANTEL_PAYLOAD_DIR)
  set(payload_dir "${BRANTEL_PAYLOAD_DIR}")
  set(payload_said "${payload_dir}")
else()
  set(payload_dir "${BRANTEL_STANDIN_DIR}")
  set(payload_said "${payload_dir} (the build's own stand-ins)")
endif()

# Runs on every build; payload.rc is rewritten only when it changes, so an unchanged payload
# leaves windres and the link alone.
add_custom_target(brantel_payload
  COMMAND "${CMAKE_COMMAND}" "-DFACTS=${BRANTEL_FACTS}" "-DPAYLOAD_DIR=${payload_dir}"
          "-DFACTS_TOOL=${host_facts}" "-DOUTPUT=${BRANTEL_PAYLOAD_RC}"
          "-DPACKED=${BRANTEL_PAYLOAD_PACKED}" "-DDIGESTS=${BRANTEL_PAYLOAD_DIGESTS}"
          "-DPACKED_FROM=${BRANTEL_PACKED_FROM}" "-DPAYLOAD_SAID=${payload_said}"
          "-DSHIPPED=${BRANTEL_SHIPPED_LIST}"
          "-DREQUIRE_SIGNED=${BRANTEL_REQUIRE_SIGNED_COMPONENTS}"
          -P "${CMAKE_CURRENT_LIST_FILE}"
  BYPRODUCTS "${BRANTEL_PAYLOAD_RC}" "${BRANTEL_PAYLOAD_PACKED}" "${BRANTEL_PAYLOAD_DIGESTS}"
             "${BRANTEL_PACKED_FROM}"
  COMMENT "Listing the payload from ${payload_said}"
  VERBATIM)
add_dependencies(brantel_payload brantel_host_tools)
if(NOT BRANTEL_PAYLOAD_DIR)
  add_dependencies(brantel_payload brantel_standins)
endif()

# What Brantel.exe and the cross-built test programs link to carry the payload, with the digest of
# each entry that the build recorded as it packed it.
add_library(brantel_payload_resources OBJECT "${BRANTEL_PAYLOAD_RC}"
  "${CMAKE_SOURCE_DIR}/src/installer/payload_digests.cpp")
target_include_directories(brantel_payload_resources PRIVATE
  "${CMAKE_SOURCE_DIR}/src" "${CMAKE_BINARY_DIR}/payload")
add_dependencies(brantel_payload_resources brantel_payload)
