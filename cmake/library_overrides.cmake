# Proves, after each link of Brantel.exe, that the program's own definitions of the C++ library's
# failure functions (src/app/library_errors_win.cpp, 88 KiB smaller) and of its terminate handler
# (src/app/terminate_win.cpp, 76 KiB smaller) still stand in for the library's, so that a new
# toolchain cannot silently bring the library's back or leave ours unused. Fails the build when:
#   - the library's member that defines the functions defines any that ours do not, or the
#     other way round (the set has changed);
#   - the library's member that defines the terminate handler no longer defines it;
#   - the link map shows either of those library members linked into the program after all.
# Run with cmake -P and -DNM=<nm> -DLIBRARY=<libstdc++.a> -DOBJECTS=<the program's objects,
# separated by |> -DMAP=<link map>.

cmake_policy(VERSION 3.25)

string(REPLACE "|" ";" objects "${OBJECTS}")
foreach(object IN LISTS objects)
  if(object MATCHES "library_errors_win\\.cpp\\.obj$")
    set(ERRORS "${object}")
  elseif(object MATCHES "terminate_win\\.cpp\\.obj$")
    set(TERMINATE "${object}")
  endif()
endforeach()
if(NOT ERRORS OR NOT TERMINATE)
  message(FATAL_ERROR "The replacements of C++ library parts are missing from: ${OBJECTS}")
endif()

# The functions of namespaces std and __gnu_cxx that `archive` defines, in its member `member`
# only when that is not empty.
function(defined_functions archive member out_var)
  execute_process(COMMAND "${NM}" -A --defined-only "${archive}" OUTPUT_VARIABLE listing
                  ERROR_QUIET RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${NM} cannot read ${archive}")
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

set(problems "")
defined_functions("${LIBRARY}" functexcept.o library_errors)
defined_functions("${ERRORS}" "" own_errors)
if(NOT library_errors)
  string(APPEND problems "\n  ${LIBRARY} has no functexcept.o defining the std::__throw_* functions")
elseif(NOT library_errors STREQUAL own_errors)
  set(missing "${library_errors}")
  list(REMOVE_ITEM missing ${own_errors})
  set(extra "${own_errors}")
  list(REMOVE_ITEM extra ${library_errors})
  string(APPEND problems "\n  the library's std::__throw_* functions have changed: not defined "
                         "by the program: ${missing}; no longer in the library: ${extra}")
endif()
defined_functions("${LIBRARY}" vterminate.o library_terminate)
defined_functions("${TERMINATE}" "" own_terminate)
if(NOT own_terminate IN_LIST library_terminate)
  string(APPEND problems "\n  ${LIBRARY}(vterminate.o) no longer defines ${own_terminate}")
endif()
file(READ "${MAP}" map)
foreach(member IN ITEMS functexcept.o vterminate.o)
  string(FIND "${map}" "libstdc++.a(${member})" at)
  if(NOT at EQUAL -1)
    string(APPEND problems "\n  the library's ${member} was linked into the program beside ours")
  endif()
endforeach()

if(problems)
  message(FATAL_ERROR "The C++ library no longer matches what Brantel.exe replaces of it:"
                      "${problems}\nSee src/app/library_errors_win.cpp and terminate_win.cpp.")
endif()
