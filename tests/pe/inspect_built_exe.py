# Runs brantel-inspect on the cross-built installer. Run with cmake -P and:
#   -DINSPECT=<brantel-inspect> -DEXE=<Brantel.exe> -DMODE=check|compare [-DREADOBJ=<llvm-readobj>]
# check:   `brantel-inspect check` must pass.
# compare: `brantel-inspect list` must agree with llvm-readobj on every resource, in order:
#          type, name, language, code page and size; the certificate table follows them.
# Prints the skip marker that the test's SKIP_REGULAR_EXPRESSION looks for when there is no
# installer yet.

if(NOT EXISTS "${EXE}")
  message("BRANTEL-SKIP: no cross-built installer at ${EXE}")
  return()
endif()

if(MODE STREQUAL "check")
  execute_process(COMMAND "${INSPECT}" check "${EXE}" RESULT_VARIABLE result
                  OUTPUT_VARIABLE output ERROR_VARIABLE output)
  message("${output}")
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "brantel-inspect check failed (${result})")
  endif()
  return()
endif()

execute_process(COMMAND "${INSPECT}" list "${EXE}" RESULT_VARIABLE result
                OUTPUT_VARIABLE listed ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "brantel-inspect list failed (${result}): ${errors}")
endif()
# The certificate table comes last and is no resource; llvm-readobj lists resources only.
if(NOT listed MATCHES "\ncertificate table: [^\n]*\n(certificate [^\n]*\n)*$")
  message(FATAL_ERROR "brantel-inspect list does not end with the certificate table:\n${listed}")
endif()
string(REGEX REPLACE "\ncertificate [^\n]*" "" listed "\n${listed}")
string(REGEX REPLACE "^\n|\n$" "" listed "${listed}")
string(REPLACE "\n" ";" listed "${listed}")

# llvm-readobj dumps every resource's bytes too; keep only the lines that describe the tree.
get_filename_component(name "${EXE}" NAME)
set(dump "${CMAKE_CURRENT_BINARY_DIR}/${name}.readobj.txt")
execute_process(COMMAND "${READOBJ}" --coff-resources "${EXE}" RESULT_VARIABLE result
                OUTPUT_FILE "${dump}" ERROR_VARIABLE errors)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "llvm-readobj failed (${result}): ${errors}")
endif()
file(STRINGS "${dump}" lines REGEX "^ *(Type|Name|Language|DataSize|Codepage): ")
file(REMOVE "${dump}")
# Every kept line ends in " [", and an open bracket would join list elements; the names this
# installer carries contain neither brackets nor semicolons.
string(REPLACE " [" "" lines "${lines}")

# "ICON (ID 3)" and "(ID 3)" are numbers, anything else is a name.
function(readobj_key text out_var)
  if(text MATCHES "\\(ID ([0-9]+)\\)$")
    set(${out_var} "${CMAKE_MATCH_1}" PARENT_SCOPE)
  else()
    set(${out_var} "\"${text}\"" PARENT_SCOPE)
  endif()
endfunction()

set(expected "")
foreach(line IN LISTS lines)
  if(line MATCHES "^ *(Type|Name|Language): (.*)$")
    readobj_key("${CMAKE_MATCH_2}" key)
    set(current_${CMAKE_MATCH_1} "${key}")
  elseif(line MATCHES "^ *DataSize: ([0-9]+)$")
    set(size "${CMAKE_MATCH_1}")
  elseif(line MATCHES "^ *Codepage: ([0-9]+)$")
    list(APPEND expected "${current_Type} ${current_Name} ${current_Language} ${CMAKE_MATCH_1} ${size}")
  endif()
endforeach()

list(LENGTH expected count)
if(count EQUAL 0)
  message(FATAL_ERROR "llvm-readobj found no resources in ${EXE}")
endif()
if(NOT listed STREQUAL expected)
  string(REPLACE ";" "\n  " listed_text "${listed}")
  string(REPLACE ";" "\n  " expected_text "${expected}")
  message(FATAL_ERROR "brantel-inspect list:\n  ${listed_text}\nllvm-readobj:\n  ${expected_text}")
endif()
message("${count} resources agree")
