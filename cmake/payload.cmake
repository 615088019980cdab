# The payload: the fourteen component files that Brantel.exe carries as resources named as the
# catalogue spells them, under the type and language that the program states (kPayloadType,
# kPayloadLanguage), as the facts (cmake/host_tools.cmake) say them. Included by the cross build:
# the targets; cmake/pack_payload.cmake is the build step that writes payload.rc.

include("${CMAKE_CURRENT_LIST_DIR}/facts.cmake")
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
          -P "${CMAKE_CURRENT_LIST_DIR}/pack_payload.cmake"
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
