# What the build accepts with a warning: file names in any letter case, files that the catalogue
# does not name (left out), and files that are no 32-bit x86 PE image (packed all the same).
include("${CMAKE_CURRENT_LIST_DIR}/helpers.cmake")

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
if(output MATCHES "Not a 32-bit x86 PE image")
  fail("PE files were reported as not PE:\n${output}")
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

# A text file and an x64 image under catalogue names: packed, each named in the warning.
stage_components(${names})
file(WRITE "${COMPONENTS}/MSSTDFMT.DLL" "plain text, no image")
write_pe_like("${COMPONENTS}/RICHTX32.OCX" "${AMD64}" "sixty-four bits")
build_must_pass(brantel_payload_resources output)
if(NOT output MATCHES "Not a 32-bit x86 PE image, packed all the same: MSSTDFMT\\.DLL, RICHTX32\\.OCX\n")
  fail("The warning did not name exactly the two files that are no i386 image:\n${output}")
endif()
expect_packed("${names}")
