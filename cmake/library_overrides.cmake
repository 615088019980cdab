# Brantel.exe replaces two parts of the C++ library that would otherwise bring in far more than
# the program uses: the library's failure functions (src/app/library_errors_win.cpp) and its
# terminate handler (src/app/terminate_win.cpp). A replacement is only sound while it defines what
# the library's member defines, so each is checked against the toolchain's library when the build
# is configured: a replacement that fits is linked in place of the library's member, and one that
# does not is left out, with a warning that says what that costs. Any mingw-w64 therefore builds
# the program; only this project's usual toolchain gets the smaller one.
#
# A replacement fits when:
#   - library_errors_win.cpp defines exactly the std:: and __gnu_cxx:: functions that the
#     library's functexcept.o defines (a changed set would link the library's member beside ours,
#     or leave one of ours unused);
#   - the library's vterminate.o still defines the handler that terminate_win.cpp defines.
# After each link the map proves that the members replaced were not linked after all.
#
# Included by src/app/CMakeLists.txt. Run with cmake -P, -DNM=<nm>, -DLIBRARY=<libstdc++.a> and
# -D<REPLACEMENT>=<its object> for each replacement, it prints which fit and why others do not;
# with -DMAP=<link map> and -DREPLACED=<members, separated by |> it is the check after the link.

cmake_policy(VERSION 3.25)

# Each replacement: its source in src/app, the library member it replaces, how to compare the
# two, and how much larger Brantel.exe is without it.
set(brantel_replacements LIBRARY_ERRORS TERMINATE)
set(brantel_replacement_LIBRARY_ERRORS_source library_errors_win.cpp)
set(brantel_replacement_LIBRARY_ERRORS_member functexcept.o)
set(brantel_replacement_LIBRARY_ERRORS_rule same_set)
set(brantel_replacement_LIBRARY_ERRORS_cost "88 KiB")
set(brantel_replacement_TERMINATE_source terminate_win.cpp)
set(brantel_replacement_TERMINATE_member vterminate.o)
set(brantel_replacement_TERMINATE_rule still_defined)
set(brantel_replacement_TERMINATE_cost "76 KiB")

# The functions of namespaces std and __gnu_cxx that `archive` defines, in its member `member`
# only when that is not empty.
function(brantel_defined_functions nm archive member out_var)
  execute_process(COMMAND "${nm}" -A --defined-only "${archive}" OUTPUT_VARIABLE listing
                  ERROR_QUIET RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${nm} cannot read ${archive}")
  endif()
  string(REPLACE "\n" ";" lines "${listing}")
  set(found "")
  foreach(line IN LISTS lines)
    if(member AND NOT line MATCHES ":${member}:[0-9a-f]+ T ")
      continue()
    endif()
    if(line MATCHES " T (__ZSt[^ ]*|__ZN9__gnu_cxx[^ ]*)$")
      list(APPEND found "${CMAKE_MATCH_1}")
    endif()
  endforeach()
  list(SORT found)
  set(${out_var} "${found}" PARENT_SCOPE)
endfunction()

# Empty in `out_var` when replacement `name`, compiled to `object`, fits `library`; otherwise
# why it does not.
function(brantel_replacement_misfit nm library name object out_var)
  set(member "${brantel_replacement_${name}_member}")
  brantel_defined_functions("${nm}" "${library}" "${member}" theirs)
  brantel_defined_functions("${nm}" "${object}" "" ours)
  set(why "")
  if(NOT theirs)
    set(why "the library has no ${member} defining these functions")
  elseif(brantel_replacement_${name}_rule STREQUAL "same_set" AND NOT theirs STREQUAL ours)
    set(missing "${theirs}")
    list(REMOVE_ITEM missing ${ours})
    set(extra "${ours}")
    list(REMOVE_ITEM extra ${theirs})
    list(JOIN missing ", " missing)
    list(JOIN extra ", " extra)
    string(CONCAT why "the library's ${member} defines other functions (not replaced: "
                      "${missing}; no longer in the library: ${extra})")
  elseif(brantel_replacement_${name}_rule STREQUAL "still_defined" AND NOT ours IN_LIST theirs)
    set(why "the library's ${member} no longer defines ${ours}")
  endif()
  set(${out_var} "${why}" PARENT_SCOPE)
endfunction()

# The link map of a program that was given the replacements `replaced` must not show their
# library members linked in beside them.
function(brantel_check_link_map map replaced)
  file(READ "${map}" text)
  foreach(name IN LISTS replaced)
    set(member "${brantel_replacement_${name}_member}")
    string(FIND "${text}" "libstdc++.a(${member})" at)
    if(NOT at EQUAL -1)
      message(FATAL_ERROR "The library's ${member} was linked into the program beside "
                          "src/app/${brantel_replacement_${name}_source}")
    endif()
  endforeach()
endfunction()

# Adds to `target` each replacement that fits the toolchain's C++ library, compiling each once,
# now, to read what it defines; warns of each one left out. The check runs again whenever either
# source or the library changes.
function(brantel_add_library_replacements target)
  execute_process(COMMAND "${CMAKE_CXX_COMPILER}" -print-file-name=libstdc++.a
                  OUTPUT_VARIABLE library OUTPUT_STRIP_TRAILING_WHITESPACE)
  set(work "${CMAKE_CURRENT_BINARY_DIR}/library-replacements")
  file(MAKE_DIRECTORY "${work}")
  # Compiled with the definitions of every Win32 program of the project.
  get_target_property(definitions brantel_win32 INTERFACE_COMPILE_DEFINITIONS)
  list(TRANSFORM definitions PREPEND "-D")
  set(replaced "")
  foreach(name IN LISTS brantel_replacements)
    set(source "${CMAKE_CURRENT_SOURCE_DIR}/${brantel_replacement_${name}_source}")
    set(object "${work}/${brantel_replacement_${name}_source}.obj")
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${source}")
    execute_process(COMMAND "${CMAKE_CXX_COMPILER}" -std=c++20 ${definitions}
                            "-I${CMAKE_SOURCE_DIR}/src" -c "${source}" -o "${object}"
                    RESULT_VARIABLE compiled ERROR_VARIABLE compiler_said)
    if(NOT compiled EQUAL 0)
      set(why "it does not compile with this toolchain: ${compiler_said}")
    elseif(NOT EXISTS "${library}")
      set(why "the toolchain has no static libstdc++.a (it answered \"${library}\")")
    else()
      set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${library}")
      brantel_replacement_misfit("${CMAKE_NM}" "${library}" ${name} "${object}" why)
    endif()
    if(why)
      message(WARNING "Building Brantel.exe without src/app/${brantel_replacement_${name}_source}, "
                      "so it is about ${brantel_replacement_${name}_cost} larger: ${why}")
    else()
      target_sources(${target} PRIVATE "${source}")
      list(APPEND replaced ${name})
    endif()
  endforeach()
  if(replaced)
    list(JOIN replaced "|" replaced_text)
    add_custom_command(TARGET ${target} POST_BUILD
      COMMAND "${CMAKE_COMMAND}" "-DMAP=${CMAKE_CURRENT_BINARY_DIR}/${target}.map"
              "-DREPLACED=${replaced_text}" -P "${CMAKE_CURRENT_FUNCTION_LIST_FILE}"
      COMMENT "Checking that the C++ library's parts that Brantel.exe replaces stayed out of it"
      VERBATIM)
  endif()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE)
  if(DEFINED MAP)
    string(REPLACE "|" ";" replaced "${REPLACED}")
    brantel_check_link_map("${MAP}" "${replaced}")
    return()
  endif()
  foreach(name IN LISTS brantel_replacements)
    if(DEFINED ${name})
      brantel_replacement_misfit("${NM}" "${LIBRARY}" ${name} "${${name}}" why)
      if(why)
        message("${brantel_replacement_${name}_source}: left out, about "
                "${brantel_replacement_${name}_cost} larger: ${why}")
      else()
        message("${brantel_replacement_${name}_source}: fits")
      endif()
    endif()
  endforeach()
endif()
