# Shared by the payload build cases. Inputs: SOURCE_DIR, WORK_DIR, GENERATOR, READOBJ, PRINTF,
# TOUCH, DD. The cross tree lives in WORK_DIR/tree and packs the folder WORK_DIR/components.
cmake_policy(VERSION 3.25)

set(TREE "${WORK_DIR}/tree")
set(COMPONENTS "${WORK_DIR}/components")
set(PAYLOAD_RC "${TREE}/payload/payload.rc")
set(STANDINS "${TREE}/standin/components")

function(fail)
  string(JOIN "" text ${ARGN})
  message(FATAL_ERROR "${text}")
endfunction()

# The catalogue's names in catalogue order, read here on their own so that a fault in the build's
# reading of catalogue.inc shows; with a second argument, the names of the plain libraries, which
# do not register themselves, into that variable.
function(read_catalogue out_var)
  set(entry_regex "^BRANTEL_COMPONENT\\(\"([^\"]+)\", (kPlainLibrary|kSelfRegistering)\\)$")
  file(STRINGS "${SOURCE_DIR}/src/installer/catalogue.inc" lines REGEX "${entry_regex}")
  set(names "")
  set(plain "")
  foreach(line IN LISTS lines)
    string(REGEX MATCH "${entry_regex}" matched "${line}")
    list(APPEND names "${CMAKE_MATCH_1}")
    if(CMAKE_MATCH_2 STREQUAL "kPlainLibrary")
      list(APPEND plain "${CMAKE_MATCH_1}")
    endif()
  endforeach()
  list(LENGTH names count)
  if(NOT count EQUAL 14)
    fail("Expected 14 catalogue names, read ${count}: ${names}")
  endif()
  set(${out_var} ${names} PARENT_SCOPE)
  if(ARGC GREATER 1)
    set(${ARGV1} ${plain} PARENT_SCOPE)
  endif()
endfunction()

# Empties the payload folder and fills it with one file per name in ARGN: the tree's stand-in of
# that name in any letter case, with its name repeated after the image a different number of
# times, so that every file has its own size and is still a whole library.
function(stage_components)
  file(REMOVE_RECURSE "${COMPONENTS}")
  file(MAKE_DIRECTORY "${COMPONENTS}")
  set(repeat 1)
  foreach(file_name IN LISTS ARGN)
    string(TOUPPER "${file_name}" name)
    string(REPEAT "${file_name};" ${repeat} body)
    file(COPY_FILE "${STANDINS}/${name}" "${COMPONENTS}/${file_name}")
    file(APPEND "${COMPONENTS}/${file_name}" "${body}")
    math(EXPR repeat "${repeat} + 1")
  endforeach()
endfunction()

# The little-endian 32-bit number at `offset` of `file`.
function(read_u32 file offset out_var)
  file(READ "${file}" hex OFFSET ${offset} LIMIT 4 HEX)
  string(REGEX REPLACE "^(..)(..)(..)(..)$" "0x\\4\\3\\2\\1" hex "${hex}")
  math(EXPR value "${hex}")
  set(${out_var} ${value} PARENT_SCOPE)
endfunction()

# Writes `value` as a little-endian number of `size` bytes at `offset` of `file`.
function(patch_le file offset value size)
  set(escapes "")
  math(EXPR last_shift "8 * (${size} - 1)")
  foreach(shift RANGE 0 ${last_shift} 8)
    math(EXPR byte "(${value} >> ${shift}) & 255")
    math(EXPR high "${byte} / 64")
    math(EXPR middle "(${byte} / 8) % 8")
    math(EXPR low "${byte} % 8")
    string(APPEND escapes "\\${high}${middle}${low}")
  endforeach()
  execute_process(COMMAND "${PRINTF}" "${escapes}" COMMAND "${DD}" "of=${file}" bs=1
                          "seek=${offset}" conv=notrunc status=none RESULTS_VARIABLE results)
  if(NOT results MATCHES "^0;0$")
    fail("Could not patch ${file} at ${offset}: ${results}")
  endif()
endfunction()

# Builds `target` of the cross tree; sets `result_var` to the exit code and `output_var` to what
# the build printed.
function(build_target target result_var output_var)
  execute_process(COMMAND "${CMAKE_COMMAND}" --build "${TREE}" --target ${target}
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  set(${result_var} ${result} PARENT_SCOPE)
  set(${output_var} "${output}" PARENT_SCOPE)
endfunction()

function(build_must_pass target output_var)
  build_target(${target} result output)
  if(NOT result EQUAL 0)
    fail("Building ${target} failed:\n${output}")
  endif()
  set(${output_var} "${output}" PARENT_SCOPE)
endfunction()

# Lists the CUSTOM resources that the compiled payload holds, as NAME|language|size entries in
# the order the object stores them.
function(read_packed_payload out_var)
  file(GLOB_RECURSE objects "${TREE}/CMakeFiles/brantel_payload_resources.dir/*payload.rc.*")
  list(LENGTH objects count)
  if(NOT count EQUAL 1)
    fail("Expected one compiled payload object, found: ${objects}")
  endif()
  execute_process(COMMAND "${READOBJ}" --coff-resources ${objects}
                  RESULT_VARIABLE result OUTPUT_VARIABLE dump ERROR_VARIABLE dump)
  if(NOT result EQUAL 0)
    fail("llvm-readobj failed on ${objects}:\n${dump}")
  endif()
  string(REGEX MATCHALL
         "(Type|Name): [^ \n]+|Language: \\(ID [0-9]+\\)|DataSize: [0-9]+" fields "${dump}")
  set(entries "")
  set(type "")
  foreach(field IN LISTS fields)
    if(field MATCHES "^Type: (.+)$")
      set(type "${CMAKE_MATCH_1}")
    elseif(field MATCHES "^Name: (.+)$")
      set(name "${CMAKE_MATCH_1}")
    elseif(field MATCHES "^Language: \\(ID ([0-9]+)\\)$")
      set(language "${CMAKE_MATCH_1}")
    elseif(field MATCHES "^DataSize: ([0-9]+)$")
      if(NOT type STREQUAL "CUSTOM")
        fail("Payload object holds a resource of type ${type}:\n${dump}")
      endif()
      list(APPEND entries "${name}|${language}|${CMAKE_MATCH_1}")
    endif()
  endforeach()
  set(${out_var} ${entries} PARENT_SCOPE)
endfunction()

# What read_packed_payload must find when catalogue name N comes from file
# COMPONENTS/<N's entry in file_names>: every name once, language 1065, that file's size, in the
# ascending order of names that the resource format keeps.
function(expected_payload file_names out_var)
  read_catalogue(names)
  set(entries "")
  foreach(name file_name IN ZIP_LISTS names file_names)
    file(SIZE "${COMPONENTS}/${file_name}" size)
    list(APPEND entries "${name}|1065|${size}")
  endforeach()
  list(SORT entries)
  set(${out_var} ${entries} PARENT_SCOPE)
endfunction()

function(expect_packed file_names)
  expected_payload("${file_names}" expected)
  read_packed_payload(actual)
  if(NOT actual STREQUAL expected)
    string(REPLACE ";" "\n  " expected_text "${expected}")
    string(REPLACE ";" "\n  " actual_text "${actual}")
    fail("Packed payload differs.\nExpected:\n  ${expected_text}\nPacked:\n  ${actual_text}")
  endif()
endfunction()
