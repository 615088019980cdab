# The payload: the fourteen component files that Brantel.exe carries as resources named as the
# catalogue spells them, under the type and language that src/installer/install_run.h gives
# (kPayloadType, kPayloadLanguage).
#
# Included by the cross build, this file defines the targets. Run with `cmake -P` it is the build
# step that writes payload.rc: the folder's contents are read at build time, so a folder that this
# same build fills (the stand-ins) works, and a changed folder needs no new configure.

if(CMAKE_SCRIPT_MODE_FILE)
  cmake_policy(VERSION 3.25)
endif()

# Reads the catalogue's names, in catalogue order, from catalogue.inc into `names_var`, and, when
# a third argument names a variable, how each registers itself (kPlainLibrary or kSelfRegistering)
# into that variable, in the same order.
function(brantel_read_catalogue catalogue names_var)
  set(entry_regex "^BRANTEL_COMPONENT\\(\"([^\"]+)\", (kPlainLibrary|kSelfRegistering)\\)$")
  file(STRINGS "${catalogue}" lines REGEX "^BRANTEL_COMPONENT")
  set(names "")
  set(registrations "")
  foreach(line IN LISTS lines)
    if(NOT line MATCHES "${entry_regex}")
      message(FATAL_ERROR "${catalogue}: not a catalogue entry: ${line}")
    endif()
    list(APPEND names "${CMAKE_MATCH_1}")
    list(APPEND registrations "${CMAKE_MATCH_2}")
  endforeach()
  list(LENGTH names count)
  set(distinct ${names})
  list(REMOVE_DUPLICATES distinct)
  list(LENGTH distinct distinct_count)
  if(count EQUAL 0 OR NOT count EQUAL distinct_count)
    message(FATAL_ERROR "${catalogue} must name each component once; it names: ${names}")
  endif()
  set(${names_var} ${names} PARENT_SCOPE)
  if(ARGC GREATER 2)
    set(${ARGV2} ${registrations} PARENT_SCOPE)
  endif()
endfunction()

# The payload's resource type and language as the program states them in `header`
# (install_run.h): the type into `type_var`, the language as the primary and sublanguage numbers
# that an RC file's LANGUAGE statement takes into `language_var`.
function(brantel_read_payload_facts header type_var language_var)
  set(type_regex "kPayloadType = \"([A-Za-z0-9_]+)\"")
  set(language_regex "kPayloadLanguage = ([0-9]+)")
  file(STRINGS "${header}" type_line REGEX "${type_regex}")
  file(STRINGS "${header}" language_line REGEX "${language_regex}")
  string(REGEX MATCH "${type_regex}" matched "${type_line}")
  set(type "${CMAKE_MATCH_1}")
  string(REGEX MATCH "${language_regex}" matched "${language_line}")
  set(language "${CMAKE_MATCH_1}")
  if(type STREQUAL "" OR language STREQUAL "")
    message(FATAL_ERROR "${header} must state kPayloadType and kPayloadLanguage")
  endif()
  math(EXPR primary "${language} & 0x3ff" OUTPUT_FORMAT HEXADECIMAL)
  math(EXPR sublanguage "${language} >> 10" OUTPUT_FORMAT HEXADECIMAL)
  set(${type_var} "${type}" PARENT_SCOPE)
  set(${language_var} "${primary}, ${sublanguage}" PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE)
  # Build step. Inputs: CATALOGUE (catalogue.inc), PAYLOAD_FACTS (install_run.h), PAYLOAD_DIR
  # (the folder), FACTS_TOOL (the host's brantel-facts), OUTPUT (payload.rc), DIGESTS
  # (payload_digests.inc, the SHA-256 of each entry that the program checks before it writes it),
  # PACKED_FROM (where PAYLOAD_SAID, the folder as `make run` says it, is written), SHIPPED (the
  # list of the files a build ships, one a line), REQUIRE_SIGNED (ON or OFF).
  foreach(input CATALOGUE PAYLOAD_FACTS PAYLOAD_DIR FACTS_TOOL OUTPUT DIGESTS PACKED_FROM PAYLOAD_SAID
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
  brantel_read_catalogue("${CATALOGUE}" catalogue_names)
  brantel_read_payload_facts("${PAYLOAD_FACTS}" payload_type payload_language)

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
  set(rc "// Written by cmake/payload.cmake from src/installer/catalogue.inc and\n")
  string(APPEND rc "// ${PAYLOAD_DIR}.\n")
  string(APPEND rc "LANGUAGE ${payload_language}\n")
  foreach(name IN LISTS catalogue_names)
    set(path "${found_${name}}")
    if(path MATCHES "[\"\\\\]")
      refuse("Payload file path holds a quote or backslash: ${path}")
    endif()
    file(SHA256 "${path}" hash)
    string(APPEND rc "// sha256 ${hash}\n${name} ${payload_type} \"${path}\"\n")
    string(APPEND digests "BRANTEL_PAYLOAD_DIGEST(\"${name}\", \"${hash}\")\n")
  endforeach()

  include("${CMAKE_CURRENT_LIST_DIR}/write_if_changed.cmake")
  brantel_write_if_changed("${OUTPUT}" "${rc}")
  brantel_write_if_changed("${DIGESTS}" "${digests}")
  brantel_write_if_changed("${PACKED_FROM}" "${PAYLOAD_SAID}\n")
  return()
endif()

enable_language(RC)

set(BRANTEL_PAYLOAD_DIR "" CACHE PATH
    "Folder holding the fourteen component files to pack; empty packs this build's stand-ins")
set(BRANTEL_CATALOGUE "${CMAKE_SOURCE_DIR}/src/installer/catalogue.inc")
set(BRANTEL_PAYLOAD_FACTS "${CMAKE_SOURCE_DIR}/src/installer/install_run.h")
set(BRANTEL_STANDIN_DIR "${CMAKE_BINARY_DIR}/standin/components")
set(BRANTEL_PAYLOAD_RC "${CMAKE_BINARY_DIR}/payload/payload.rc")
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
  COMMAND "${CMAKE_COMMAND}" "-DCATALOGUE=${BRANTEL_CATALOGUE}"
          "-DPAYLOAD_FACTS=${BRANTEL_PAYLOAD_FACTS}" "-DPAYLOAD_DIR=${payload_dir}"
          "-DFACTS_TOOL=${host_facts}"
          "-DOUTPUT=${BRANTEL_PAYLOAD_RC}" "-DDIGESTS=${BRANTEL_PAYLOAD_DIGESTS}"
          "-DPACKED_FROM=${BRANTEL_PACKED_FROM}" "-DPAYLOAD_SAID=${payload_said}"
          "-DSHIPPED=${BRANTEL_SHIPPED_LIST}"
          "-DREQUIRE_SIGNED=${BRANTEL_REQUIRE_SIGNED_COMPONENTS}"
          -P "${CMAKE_CURRENT_LIST_FILE}"
  BYPRODUCTS "${BRANTEL_PAYLOAD_RC}" "${BRANTEL_PAYLOAD_DIGESTS}" "${BRANTEL_PACKED_FROM}"
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
