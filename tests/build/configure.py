# Configures the whole cross build once, packing the folder that the cases fill, and builds the
# stand-ins that the cases make their component files from.
include("${CMAKE_CURRENT_LIST_DIR}/payload.py")

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${COMPONENTS}")
execute_process(
  COMMAND "${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${TREE}" -G "${GENERATOR}"
          "--toolchain=${SOURCE_DIR}/cmake/toolchain-mingw-i686.cmake"
          -DCMAKE_BUILD_TYPE=MinSizeRel "-DBRANTEL_PAYLOAD_DIR=${COMPONENTS}"
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  fail("Configuring the cross build failed:\n${output}")
endif()
build_must_pass(brantel_standins output)
