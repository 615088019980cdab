# Whether Wine can run Brantel.exe here. It is a 32-bit program, which Wine runs through its i386
# loader in both prefixes, and only a kernel that runs 32-bit x86 code runs that loader: one built
# or booted without it refuses every i386 executable. There the tests that run programs under
# Wine are registered but disabled, so every ctest summary lists them as not run.
#
# Sets BRANTEL_WINE_I386_PROBLEM to why Wine cannot run them, or to empty when it can.
set(BRANTEL_WINE_I386_PROBLEM "")
set(brantel_wine_i386_loader "/usr/lib/wine/wine")
if(EXISTS "${brantel_wine_i386_loader}")
  execute_process(COMMAND "${brantel_wine_i386_loader}" --version
                  RESULT_VARIABLE brantel_i386_result OUTPUT_QUIET ERROR_QUIET)
  if(NOT brantel_i386_result EQUAL 0)
    string(CONCAT BRANTEL_WINE_I386_PROBLEM "this machine's kernel does not run 32-bit x86 "
                  "programs (${brantel_wine_i386_loader} --version failed)")
    message(WARNING "Tests that run programs under Wine are disabled: ${BRANTEL_WINE_I386_PROBLEM}")
  endif()
endif()

# Disables the given tests when Wine cannot run 32-bit programs here.
function(brantel_needs_wine_i386)
  if(BRANTEL_WINE_I386_PROBLEM)
    set_tests_properties(${ARGN} PROPERTIES DISABLED TRUE)
  endif()
endfunction()
