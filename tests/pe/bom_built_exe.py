# The bill of materials that the cross build writes beside Brantel.exe is what `brantel-inspect bom`
# prints from the built file and from the folder of stand-ins it packed; each line agrees with
# the file itself (size and SHA-256 as CMake computes them) and with what the stand-ins say of
# themselves and export. A folder of other files is listed too, and one that lacks a component is refused.
# Brantel.cdx.json is what `brantel-inspect bom --format cyclonedx` prints, the CycloneDX
# project's validator accepts it and the folder's document, and rejects a broken one.
# Run with cmake -P and -DINSPECT=<brantel-inspect> -DCROSS_DIR=<cross build> -DWORK=<scratch>
# -DNODE=<node> -DVALIDATE=<validate_cyclonedx.mjs> -DNPM_DIR=<its npm packages>.
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
  execute_process(COMMAND "${INSPECT}" bom ${ARGN} "${source}" RESULT_VARIABLE result
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
string(CONCAT expected_header "name\tsize\tsha256\tfile version\tproduct name\t"
       "OLESelfRegister\tDllRegisterServer\tnote\tsignature\tsigner\tsigned digest")
if(NOT header STREQUAL expected_header)
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
  if(entry MATCHES ", kPlainLibrary\\)$")
    set(registers no)
  else()
    set(registers yes)
  endif()
  string(CONCAT expected "${name}\t${size}\t${hash}\t1.0.0.0\tBrantel test stand-ins\t"
         "${registers}\t${registers}\t-\tnone\t-\t-")
  if(NOT line STREQUAL expected)
    message(FATAL_ERROR "Listed:   ${line}\nexpected: ${expected}")
  endif()
endforeach()

# The CycloneDX document.
file(REMOVE_RECURSE "${WORK}")
function(validate document)
  execute_process(COMMAND "${NODE}" "${VALIDATE}" "${NPM_DIR}" "${document}"
                  RESULT_VARIABLE result OUTPUT_VARIABLE said ERROR_VARIABLE said)
  set(validated ${result} PARENT_SCOPE)
  set(validator_said "${said}" PARENT_SCOPE)
endfunction()
set(written_cdx "${CROSS_DIR}/src/app/Brantel.cdx.json")
if(NOT EXISTS "${written_cdx}")
  message(FATAL_ERROR "The cross build wrote no ${written_cdx}")
endif()
file(READ "${written_cdx}" cdx_from_build)
bom("${exe}" cdx_from_exe --format cyclonedx)
# The build's time may not be this test's: compare all but the time.
set(time_regex "\n    \"timestamp\": \"[^\"]*\",")
string(REGEX REPLACE "${time_regex}" "" untimed_build "${cdx_from_build}")
string(REGEX REPLACE "${time_regex}" "" untimed_exe "${cdx_from_exe}")
if(NOT untimed_build STREQUAL untimed_exe)
  message(FATAL_ERROR "Brantel.cdx.json:\n${cdx_from_build}\nbrantel-inspect bom --format "
                      "cyclonedx:\n${cdx_from_exe}")
endif()
set(ENV{SOURCE_DATE_EPOCH} 1700000000)
bom("${exe}" timed --format cyclonedx)
bom("${exe}" timed_again --format cyclonedx)
unset(ENV{SOURCE_DATE_EPOCH})
if(NOT timed STREQUAL timed_again OR NOT timed MATCHES "\"timestamp\": \"2023-11-14T22:13:20Z\"")
  message(FATAL_ERROR "With SOURCE_DATE_EPOCH, once:\n${timed}\nand again:\n${timed_again}")
endif()

file(MAKE_DIRECTORY "${WORK}")
bom("${standins}" cdx_from_folder --format cyclonedx)
file(WRITE "${WORK}/folder.cdx.json" "${cdx_from_folder}")
if(cdx_from_folder MATCHES "\"component\": {")
  message(FATAL_ERROR "A folder holds no program, yet its document names one:\n${cdx_from_folder}")
endif()
foreach(document IN ITEMS "${written_cdx}" "${WORK}/folder.cdx.json")
  validate("${document}")
  if(NOT validated EQUAL 0)
    message(FATAL_ERROR "The CycloneDX validator rejects ${document} (${validated}):\n"
                        "${validator_said}")
  endif()
endforeach()
message("${validator_said}")

# MSCOMCTL.OCX's hash cut short: the validator must say no, or its yes means nothing.
file(SHA256 "${standins}/MSCOMCTL.OCX" mscomctl)
string(SUBSTRING "${mscomctl}" 0 40 short)
string(REPLACE "\"${mscomctl}\"" "\"${short}1\"" broken "${cdx_from_folder}")
file(WRITE "${WORK}/broken.cdx.json" "${broken}")
validate("${WORK}/broken.cdx.json")
if(NOT validated EQUAL 1 OR NOT validator_said MATCHES "hashes/0/content")
  message(FATAL_ERROR "The validator takes a 41-digit hash (${validated}):\n${validator_said}")
endif()

# Files that are no PE images, with names in other letter cases: listed, with a note.
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
foreach(entry IN LISTS entries)
  string(REGEX MATCH "\"([^\"]+)\"" quoted "${entry}")
  string(TOLOWER "${CMAKE_MATCH_1}" lower)
  file(WRITE "${WORK}/${lower}" "${CMAKE_MATCH_1}\n")
endforeach()
bom("${WORK}" other)
if(NOT other MATCHES
   "\nVBAME\\.DLL\t10\t[0-9a-f]+\t-\t-\tno\t-\tPE image: truncated DOS header\tnone\t-\t-\n")
  message(FATAL_ERROR "A folder of other files is listed as:\n${other}")
endif()
file(REMOVE "${WORK}/msinet.ocx")
execute_process(COMMAND "${INSPECT}" bom "${WORK}" RESULT_VARIABLE result
                OUTPUT_VARIABLE listed ERROR_VARIABLE errors)
if(result EQUAL 0 OR NOT errors MATCHES "1 missing: MSINET\\.OCX")
  message(FATAL_ERROR "A folder without MSINET.OCX gave (${result}):\n${listed}${errors}")
endif()
file(REMOVE_RECURSE "${WORK}")
