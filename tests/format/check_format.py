# Fails when a C++ source of the project strays from .clang-format. Inputs: SOURCE_DIR,
# CLANG_FORMAT.
cmake_policy(VERSION 3.25)
file(GLOB_RECURSE sources
     "${SOURCE_DIR}/src/*.cpp" "${SOURCE_DIR}/src/*.h"
     "${SOURCE_DIR}/tools/*.cpp" "${SOURCE_DIR}/tools/*.h"
     "${SOURCE_DIR}/tests/*.cpp" "${SOURCE_DIR}/tests/*.h")
list(SORT sources)
execute_process(COMMAND "${CLANG_FORMAT}" --dry-run -Werror ${sources}
                RESULT_VARIABLE result ERROR_VARIABLE complaints)
list(LENGTH sources count)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "Sources that clang-format would change:\n${complaints}")
endif()
message(STATUS "${count} sources follow .clang-format")
