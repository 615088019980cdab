# What the build accepts: file names in any letter case, and files that the catalogue does not
# name (left out, with a warning).
include("${CMAKE_CURRENT_LIST_DIR}/payload.py")

read_catalogue(names)

# Lower-case names and one unknown file: all fourteen packed under the catalogue's names.
set(lower_names "")
foreach(name IN LISTS names)
  string(TOLOWER "${name}" lower)
  list(APPEND lower_names "${lower}")
endforeach()
list(TRANSFORM lower_names REPLACE "^vbame\\.dll$" "VbAme.Dll")
stage_components(${lower_names})
file(WRITE "${COMPONENTS}/readme.txt" "not a component")
build_must_pass(brantel_payload_resources output)
if(NOT output MATCHES "Not in the catalogue, left out of the payload: readme\\.txt")
  fail("No warning named the unknown file readme.txt:\n${output}")
endif()
expect_packed("${lower_names}")

# payload.rc lists the catalogue's names, in catalogue order, each once.
file(STRINGS "${PAYLOAD_RC}" lines REGEX " CUSTOM ")
set(listed "")
foreach(line IN LISTS lines)
  string(REGEX REPLACE " CUSTOM .*" "" name "${line}")
  list(APPEND listed "${name}")
endforeach()
if(NOT listed STREQUAL names)
  fail("payload.rc lists ${listed}, not the catalogue ${names}")
endif()
