# Brantel.exe built again from the same inputs, in another folder, is the same file byte for byte:
# no time stamps, no build paths, no image base picked from the output's name. So is the CycloneDX
# document beside it.
# Inputs: SOURCE_DIR, WORK_DIR, GENERATOR, REFERENCE (the Brantel.exe of the project's cross build).
cmake_policy(VERSION 3.25)

if(NOT EXISTS "${REFERENCE}")
  message(FATAL_ERROR "No cross build at ${REFERENCE}: build the cross preset first")
endif()
set(tree "${WORK_DIR}/reproducible")
file(REMOVE_RECURSE "${tree}")
execute_process(
  COMMAND "${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${tree}" -G "${GENERATOR}"
          "--toolchain=${SOURCE_DIR}/cmake/toolchain-mingw-i686.cmake"
          -DCMAKE_BUILD_TYPE=MinSizeRel
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "Configuring the second cross build failed:\n${output}")
endif()
execute_process(COMMAND "${CMAKE_COMMAND}" --build "${tree}" --target Brantel brantel_bom -j 2
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "Building Brantel.exe again failed:\n${output}")
endif()
file(SHA256 "${REFERENCE}" first)
file(SHA256 "${tree}/src/app/Brantel.exe" second)
message(STATUS "Brantel.exe sha256: ${first} (project build), ${second} (second build)")
if(NOT first STREQUAL second)
  message(FATAL_ERROR "The two builds of Brantel.exe differ")
endif()
get_filename_component(reference_dir "${REFERENCE}" DIRECTORY)
file(SHA256 "${reference_dir}/Brantel.cdx.json" first)
file(SHA256 "${tree}/src/app/Brantel.cdx.json" second)
if(NOT first STREQUAL second)
  message(FATAL_ERROR "The two builds' Brantel.cdx.json differ")
endif()
file(REMOVE_RECURSE "${tree}")
