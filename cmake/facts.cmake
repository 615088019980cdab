# Reading the program's facts (facts.json, written by brantel-facts from the program's sources):
# for the build's own files, and for scripts run with `cmake -P`.

# The catalogue's names, in catalogue order, into `names_var`, and, when a third argument names a
# variable, the names of the plain libraries, which do not register themselves, into that.
function(brantel_read_catalogue facts names_var)
  file(READ "${facts}" json)
  string(JSON last LENGTH "${json}" catalogue)
  math(EXPR last "${last} - 1")
  set(names "")
  set(plain "")
  foreach(i RANGE ${last})
    string(JSON name GET "${json}" catalogue ${i} name)
    string(JSON self_registering GET "${json}" catalogue ${i} selfRegistering)
    list(APPEND names "${name}")
    if(NOT self_registering)
      list(APPEND plain "${name}")
    endif()
  endforeach()
  set(${names_var} ${names} PARENT_SCOPE)
  if(ARGC GREATER 2)
    set(${ARGV2} ${plain} PARENT_SCOPE)
  endif()
endfunction()

# The payload's resource type into `type_var`, and its language as the primary and sublanguage
# numbers that an RC file's LANGUAGE statement takes into `language_var`.
function(brantel_read_payload_facts facts type_var language_var)
  file(READ "${facts}" json)
  string(JSON type GET "${json}" payload type)
  string(JSON language GET "${json}" payload language)
  math(EXPR primary "${language} & 0x3ff" OUTPUT_FORMAT HEXADECIMAL)
  math(EXPR sublanguage "${language} >> 10" OUTPUT_FORMAT HEXADECIMAL)
  set(${type_var} "${type}" PARENT_SCOPE)
  set(${language_var} "${primary}, ${sublanguage}" PARENT_SCOPE)
endfunction()
