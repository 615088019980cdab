# A folder that lacks components stops the build with one message that names every missing file.
include("${CMAKE_CURRENT_LIST_DIR}/helpers.cmake")

read_catalogue(names)
set(present ${names})
list(REMOVE_ITEM present VBAME.DLL MSINET.OCX)
stage_components(${present})

build_target(brantel_payload result output)
if(result EQUAL 0)
  fail("The build passed with VBAME.DLL and MSINET.OCX missing:\n${output}")
endif()
if(NOT output MATCHES "2 missing: VBAME\\.DLL, MSINET\\.OCX\n")
  fail("The build did not name both missing files in one line:\n${output}")
endif()
string(REGEX MATCHALL "CMake Error" errors "${output}")
list(LENGTH errors error_count)
if(NOT error_count EQUAL 1)
  fail("Expected one error message, found ${error_count}:\n${output}")
endif()

# Two files whose names differ only in letter case leave the catalogue name ambiguous.
stage_components(${names})
file(COPY_FILE "${COMPONENTS}/MSCOMM32.OCX" "${COMPONENTS}/mscomm32.ocx")
build_target(brantel_payload result output)
if(result EQUAL 0 OR NOT output MATCHES "differing only in letter case: MSCOMM32\\.OCX")
  fail("Expected the build to stop on MSCOMM32.OCX given twice:\n${output}")
endif()
