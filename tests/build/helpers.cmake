# Shared by the payload build cases. Inputs: SOURCE_DIR, WORK_DIR, GENERATOR, READOBJ, PRINTF,
# TOUCH. The cross tree lives in WORK_DIR/tree and packs the folder WORK_DIR/components.
cmake_policy(VERSION 3.25)

set(TREE "${WORK_DIR}/tree")
set(COMPONENTS "${WORK_DIR}/components")
set(PAYLOAD_RC "${TREE}/payload/payload.rc")

function(fail)
  string(JOIN "" text ${ARGN})
  message(FATAL_ERROR "${text}")
endfunction()

# The catalogue's names in catalogue order, read here on their own so that a fault in the build's
# reading of catalogue.inc shows.
function(read_catalogue out_var)
  file(STRINGS "${SOURCE_DIR}/src/installer/catalogue.inc" lines
       REGEX "^BRANTEL_COMPONENT\\(\"[^\"]+\"\\)$")
  set(names "")
  foreach(line IN LISTS lines)
    string(REGEX REPLACE "^BRANTEL_COMPONENT\\(\"([^\"]+)\"\\)$" "\\1" name "${line}")
    list(APPEND names "${name}")
  endforeach()
  list(LENGTH names count)
  if(NOT count EQUAL 14)
    fail("Expected 14 catalogue names, read ${count}: ${names}")
  endif()
  set(${out_var} ${names} PARENT_SCOPE)
endfunction()

# Writes a small file that starts like a PE image for `machine` (two octal escapes, low byte
# first), followed by `body`.
function(write_pe_like path machine body)
  execute_process(
    COMMAND "${PRINTF}" "MZ%058d\\100\\000\\000\\000PE\\000\\000${machine}%s" 0 "${body}"
    OUTPUT_FILE "${path}" RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    fail("Could not write ${path}")
  endif()
endfunction()

set(I386 "\\114\\001")
set(AMD64 "\\144\\206")

# Empties the payload folder and fills it with one small i386 PE-like file per name in ARGN. Each
# file's body repeats its name a different number of times, so that every file has its own size.
function(stage_components)
  file(REMOVE_RECURSE "${COMPONENTS}")
  file(MAKE_DIRECTORY "${COMPONENTS}")
  set(repeat 1)
  foreach(file_name IN LISTS ARGN)
    string(REPEAT "${file_name};" ${repeat} body)
    write_pe_like("${COMPONENTS}/${file_name}" "${I386}" "${body}")
    math(EXPR repeat "${repeat} + 1")
  endforeach()
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

# `text` as UTF-16LE in hex, as a version block holds it.
function(utf16_hex text out_var)
  string(HEX "${text}" hex)
  string(REGEX REPLACE "(..)" "\\100" hex "${hex}")
  set(${out_var} "${hex}" PARENT_SCOPE)
endfunction()
