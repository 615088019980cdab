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

# Reads the catalogue's names, in catalogue order, from catalogue.inc into `out_var`.
function(brantel_read_catalogue catalogue out_var)
  set(entry_regex "^BRANTEL_COMPONENT\\(\"([^\"]+)\"\\)")
  file(STRINGS "${catalogue}" lines REGEX "${entry_regex}")
  set(names "")
  foreach(line IN LISTS lines)
    string(REGEX MATCH "${entry_regex}" matched "${line}")
    list(APPEND names "${CMAKE_MATCH_1}")
  endforeach()
  list(LENGTH names count)
  set(distinct ${names})
  list(REMOVE_DUPLICATES distinct)
  list(LENGTH distinct distinct_count)
  if(count EQUAL 0 OR NOT count EQUAL distinct_count)
    message(FATAL_ERROR "${catalogue} must name each component once; it names: ${names}")
  endif()
  set(${out_var} ${names} PARENT_SCOPE)
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

# True in `out_var` when `file` starts like a 32-bit x86 PE image: "MZ", and at the offset that
# the DOS header gives, "PE\0\0" and machine 0x14c.
function(brantel_is_i386_pe file out_var)
  set(${out_var} FALSE PARENT_SCOPE)
  file(SIZE "${file}" size)
  if(size LESS 64)
    return()
  endif()
  file(READ "${file}" dos HEX LIMIT 64)
  if(NOT dos MATCHES "^4d5a")
    return()
  endif()
  # e_lfanew, little-endian, at offset 0x3c.
  string(SUBSTRING "${dos}" 120 8 raw)
  string(REGEX REPLACE "^(..)(..)(..)(..)$" "\\4\\3\\2\\1" big_endian "${raw}")
  math(EXPR pe_offset "0x${big_endian}")
  math(EXPR pe_end "${pe_offset} + 6")
  if(pe_end GREATER size)
    return()
  endif()
  file(READ "${file}" signature HEX OFFSET ${pe_offset} LIMIT 6)
  if(signature STREQUAL "504500004c01")
    set(${out_var} TRUE PARENT_SCOPE)
  endif()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE)
  # Build step. Inputs: CATALOGUE (catalogue.inc), PAYLOAD_FACTS (install_run.h), PAYLOAD_DIR
  # (the folder), INSPECT (the host's brantel-inspect), OUTPUT (payload.rc), DIGESTS
  # (payload_digests.inc, the SHA-256 of each entry that the program checks before it writes it).
  foreach(input CATALOGUE PAYLOAD_FACTS PAYLOAD_DIR INSPECT OUTPUT DIGESTS)
    if(NOT DEFINED ${input})
      message(FATAL_ERROR "payload.cmake needs -D${input}=...")
    endif()
  endforeach()
  if(NOT IS_DIRECTORY "${PAYLOAD_DIR}")
    message(FATAL_ERROR "Payload folder ${PAYLOAD_DIR} does not exist")
  endif()
  brantel_read_catalogue("${CATALOGUE}" catalogue_names)
  brantel_read_payload_facts("${PAYLOAD_FACTS}" payload_type payload_language)

  # The folder is matched to the catalogue by brantel-inspect, which reads folders of components
  # for their bill of materials by the same rule.
  execute_process(COMMAND "${INSPECT}" components "${PAYLOAD_DIR}" RESULT_VARIABLE scanned
                  OUTPUT_VARIABLE listing ERROR_VARIABLE problems)
  if(NOT scanned EQUAL 0)
    if(NOT problems MATCHES "^\n  ")
      message(FATAL_ERROR "brantel-inspect components ${PAYLOAD_DIR} failed: ${problems}")
    endif()
    message(FATAL_ERROR "Payload folder ${PAYLOAD_DIR} does not hold the catalogue's "
                        "component files:${problems}")
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
      message(FATAL_ERROR "brantel-inspect components ${PAYLOAD_DIR} did not list ${name}")
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
  set(not_pe "")
  foreach(name IN LISTS catalogue_names)
    set(path "${found_${name}}")
    if(path MATCHES "[\"\\\\]")
      message(FATAL_ERROR "Payload file path holds a quote or backslash: ${path}")
    endif()
    brantel_is_i386_pe("${path}" is_pe)
    if(NOT is_pe)
      get_filename_component(file_name "${path}" NAME)
      list(APPEND not_pe "${file_name}")
    endif()
    file(SHA256 "${path}" hash)
    string(APPEND rc "// sha256 ${hash}\n${name} ${payload_type} \"${path}\"\n")
    string(APPEND digests "BRANTEL_PAYLOAD_DIGEST(\"${name}\", \"${hash}\")\n")
  endforeach()
  if(not_pe)
    list(JOIN not_pe ", " not_pe_text)
    message(WARNING "Not a 32-bit x86 PE image, packed all the same: ${not_pe_text}")
  endif()

  include("${CMAKE_CURRENT_LIST_DIR}/write_if_changed.cmake")
  brantel_write_if_changed("${OUTPUT}" "${rc}")
  brantel_write_if_changed("${DIGESTS}" "${digests}")
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

add_subdirectory("${CMAKE_SOURCE_DIR}/tools/standin" "${CMAKE_BINARY_DIR}/standin")

if(BRANTEL_PAYLOAD_DIR)
  set(payload_dir "${BRANTEL_PAYLOAD_DIR}")
else()
  set(payload_dir "${BRANTEL_STANDIN_DIR}")
endif()

# Runs on every build; payload.rc is rewritten only when it changes, so an unchanged payload
# leaves windres and the link alone.
add_custom_target(brantel_payload
  COMMAND "${CMAKE_COMMAND}" "-DCATALOGUE=${BRANTEL_CATALOGUE}"
          "-DPAYLOAD_FACTS=${BRANTEL_PAYLOAD_FACTS}" "-DPAYLOAD_DIR=${payload_dir}"
          "-DINSPECT=${host_inspect}"
          "-DOUTPUT=${BRANTEL_PAYLOAD_RC}" "-DDIGESTS=${BRANTEL_PAYLOAD_DIGESTS}"
          -P "${CMAKE_CURRENT_LIST_FILE}"
  BYPRODUCTS "${BRANTEL_PAYLOAD_RC}" "${BRANTEL_PAYLOAD_DIGESTS}"
  COMMENT "Listing the payload from ${payload_dir}"
  VERBATIM)
add_dependencies(brantel_payload brantel_host_inspect)
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
