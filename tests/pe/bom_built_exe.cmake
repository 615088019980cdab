# The bill of materials that the cross build writes beside Brantel.exe is what `brantel-inspect bom`
# prints from the built file and from the folder of stand-ins it packed; each line agrees with
# the file itself (size and SHA-256 as CMake computes them) and with what the stand-ins say of
# themselves and export. A folder of other files is listed too, and one that lacks a component is refused.
# Run with cmake -P and -DINSPECT=<brantel-inspect> -DCROSS_DIR=<cross build> -DWORK=<scratch>.
# Prints the skip marker while the cross build has no installer yet.
cmake_policy(VERSION 3.25)

set(exe "${CROSS_DIR}/src/app/Brantel.exe")
set(written "${CROSS_DIR}/src/app/Brantel.bom.txt")
set(standins "${CROSS_DIR}/standin/components")
if(NOT EXISTS "${exe}")
  message("BRANTEL-SKIP: no cross-built installer at ${exe}")
  return()
endif()

function(bom source out_var)
  execute_process(COMMAND "${INSPECT}" bom "${source}" RESULT_VARIABLE result
                  OUTPUT_VARIABLE listed ERROR_VARIABLE errors)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "brantel-inspect bom ${source} failed (${result}): ${errors}")
  endif()
  set(${out_var} "${listed}" PARENT_SCOPE)
endfunction()

if(NOT EXISTS "${written}")
  message(FATAL_ERROR "The cross build wrote no ${written}")
endif()
file(READ "${written}" from_build)
bom("${exe}" from_exe)
bom("${standins}" from_folder)
if(NOT from_build STREQUAL from_exe)
  message(FATAL_ERROR "The build's list:\n${from_build}\nbrantel-inspect bom:\n${from_exe}")
endif()
if(NOT from_folder STREQUAL from_exe)
  message(FATAL_ERROR "From the folder:\n${from_folder}\nFrom Brantel.exe:\n${from_exe}")
endif()
message("${from_build}")

string(REGEX REPLACE "\n$" "" lines "${from_build}")
string(REPLACE "\n" ";" lines "${lines}")
list(POP_FRONT lines header)
if(NOT header STREQUAL
   "name\tsize\tsha256\tfile version\tproduct name\tOLESelfRegister\tDllRegisterServer\tnote")
  message(FATAL_ERROR "Unexpected header: ${header}")
endif()
file(STRINGS "${CMAKE_CURRENT_LIST_DIR}/../../src/installer/catalogue.inc" entries
     REGEX "^BRANTEL_COMPONENT")
list(LENGTH entries catalogue_count)
list(LENGTH lines count)
if(NOT count EQUAL catalogue_count OR NOT count EQUAL 14)
  message(FATAL_ERROR "${count} components listed, the catalogue names ${catalogue_count}")
endif()
foreach(line entry IN ZIP_LISTS lines entries)
  string(REGEX MATCH "\"([^\"]+)\"" quoted "${entry}")
  set(name "${CMAKE_MATCH_1}")
  file(SIZE "${standins}/${name}" size)
  file(SHA256 "${standins}/${name}" hash)
  if(name STREQUAL "VBAME.DLL")
    set(registers no)
  else()
    set(registers yes)
  endif()
  set(expected
      "${name}\t${size}\t${hash}\t1.0.0.0\tBrantel test stand-ins\t${registers}\t${registers}\t-")
  if(NOT line STREQUAL expected)
    message(FATAL_ERROR "Listed:   ${line}\nexpected: ${expected}")
  endif()
endforeach()

# Files that are no PE images, with names in other letter cases: listed, with a note.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
foreach(entry IN LISTS entries)
  string(REGEX MATCH "\"([^\"]+)\"" quoted "${entry}")
  string(TOLOWER "${CMAKE_MATCH_1}" lower)
  file(WRITE "${WORK}/${lower}" "${CMAKE_MATCH_1}\n")
endforeach()
bom("${WORK}" other)
if(NOT other MATCHES "\nVBAME\\.DLL\t10\t[0-9a-f]+\t-\t-\tno\t-\tPE image: truncated DOS header\n")
  message(FATAL_ERROR "A folder of other files is listed as:\n${other}")
endif()
file(REMOVE "${WORK}/msinet.ocx")
execute_process(COMMAND "${INSPECT}" bom "${WORK}" RESULT_VARIABLE result
                OUTPUT_VARIABLE listed ERROR_VARIABLE errors)
if(result EQUAL 0 OR NOT errors MATCHES "missing MSINET\\.OCX")
  message(FATAL_ERROR "A folder without MSINET.OCX gave (${result}):\n${listed}${errors}")
endif()
file(REMOVE_RECURSE "${WORK}")
