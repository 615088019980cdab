# The stand-in components: real i386 DLLs, one per catalogue name, each of its table size, each
# different, self-registering except the catalogue's plain library, saying in their version blocks what they are, and
# the same bytes when built again in another folder.
include("${CMAKE_CURRENT_LIST_DIR}/helpers.cmake")

read_catalogue(names plain)
build_must_pass(brantel_standins output)
set(built "${TREE}/standin/components")

# The sizes that the stand-ins are made to; together they must come to the payload's total.
file(STRINGS "${SOURCE_DIR}/tools/standin/CMakeLists.txt" size_lines
     REGEX "^  [A-Z0-9]+\\.[A-Z]+=[0-9]+$")
foreach(line IN LISTS size_lines)
  string(REGEX MATCH "([^ =]+)=([0-9]+)" matched "${line}")
  set(size_${CMAKE_MATCH_1} ${CMAKE_MATCH_2})
endforeach()

function(holds_utf16 hex_dump text out_var)
  utf16_hex("${text}" needle)
  string(FIND "${hex_dump}" "${needle}" at)
  math(EXPR odd "${at} % 2")
  if(at GREATER_EQUAL 0 AND odd EQUAL 0)
    set(${out_var} TRUE PARENT_SCOPE)
  else()
    set(${out_var} FALSE PARENT_SCOPE)
  endif()
endfunction()

file(GLOB built_files RELATIVE "${built}" "${built}/*")
list(SORT built_files)
set(sorted_names ${names})
list(SORT sorted_names)
if(NOT built_files STREQUAL sorted_names)
  fail("The stand-in folder holds ${built_files}, not the catalogue's names")
endif()

set(total 0)
set(hashes "")
foreach(name IN LISTS names)
  set(file "${built}/${name}")
  file(SIZE "${file}" size)
  math(EXPR total "${total} + ${size}")
  if(NOT size EQUAL size_${name})
    fail("${name} is ${size} bytes, not ${size_${name}}")
  endif()
  file(SHA256 "${file}" hash)
  if(hash IN_LIST hashes)
    fail("${name} has the same bytes as another stand-in")
  endif()
  list(APPEND hashes "${hash}")

  execute_process(COMMAND "${READOBJ}" --file-headers --coff-exports "${file}"
                  RESULT_VARIABLE result OUTPUT_VARIABLE dump ERROR_VARIABLE dump)
  if(NOT result EQUAL 0 OR NOT dump MATCHES "Machine: IMAGE_FILE_MACHINE_I386")
    fail("${name} is not an i386 image:\n${dump}")
  endif()
  if(NOT dump MATCHES "Characteristics \\[[^]]*IMAGE_FILE_DLL")
    fail("${name} is not a DLL:\n${dump}")
  endif()
  string(REGEX MATCHALL "Name: [A-Za-z_]+" exports "${dump}")
  file(READ "${file}" hex_dump HEX)
  holds_utf16("${hex_dump}" "Brantel test stand-in for ${name}" described)
  holds_utf16("${hex_dump}" "OLESelfRegister" ole_self_register)
  if(NOT described)
    fail("${name} does not describe itself as a test stand-in")
  endif()
  if(name IN_LIST plain)
    if(exports OR ole_self_register)
      fail("${name} must not register itself; exports: ${exports}")
    endif()
  elseif(NOT exports STREQUAL "Name: DllRegisterServer;Name: DllUnregisterServer"
         OR NOT ole_self_register)
    fail("${name} must export the registration entry points and say OLESelfRegister; "
         "exports: ${exports}")
  endif()
endforeach()
if(NOT total EQUAL 4556592)
  fail("The stand-ins hold ${total} bytes together, not 4556592")
endif()

# Built again from scratch in a folder of another name and by another generator.
set(other_tree "${WORK_DIR}/stand-ins built again")
file(REMOVE_RECURSE "${other_tree}")
if(GENERATOR STREQUAL "Ninja")
  set(other_generator "Unix Makefiles")
else()
  set(other_generator "Ninja")
endif()
execute_process(
  COMMAND "${CMAKE_COMMAND}" -S "${SOURCE_DIR}" -B "${other_tree}" -G "${other_generator}"
          "--toolchain=${SOURCE_DIR}/cmake/toolchain-mingw-i686.cmake"
          -DCMAKE_BUILD_TYPE=RelWithDebInfo
  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  fail("Configuring the second tree failed:\n${output}")
endif()
execute_process(COMMAND "${CMAKE_COMMAND}" --build "${other_tree}" --target brantel_standins
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0)
  fail("Building the stand-ins again failed:\n${output}")
endif()
foreach(name hash IN ZIP_LISTS names hashes)
  file(SHA256 "${other_tree}/standin/components/${name}" other_hash)
  if(NOT other_hash STREQUAL hash)
    fail("${name} came out different when built again")
  endif()
endforeach()
file(REMOVE_RECURSE "${other_tree}")
