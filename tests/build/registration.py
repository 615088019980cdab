# Registering a stand-in under Wine registers one class of its own, as a control does: the class's
# InprocServer32 names the file regsvr32 loaded, with a threading model, and the harness's rule
# finds it by that file, as it finds a type library; unregistering removes that class and no
# other; VBAME.DLL cannot be registered.
include("${CMAKE_CURRENT_LIST_DIR}/helpers.cmake")

build_must_pass(brantel_standins output)
set(built "${TREE}/standin/components")

# A prefix of this test's own, made once before anything runs in it.
set(prefix "${WORK_DIR}/wine")
set(ENV{WINEPREFIX} "${prefix}")
set(ENV{WINEDEBUG} "-all")
set(ENV{PYTHONPATH} "${SOURCE_DIR}/tools")
file(REMOVE_RECURSE "${prefix}")
function(run_wine result_var output_var)
  execute_process(COMMAND "${WINE}" ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output
                  ERROR_VARIABLE output TIMEOUT 300)
  set(${result_var} "${result}" PARENT_SCOPE)
  set(${output_var} "${output}" PARENT_SCOPE)
endfunction()
run_wine(result output wineboot --init)
if(NOT result EQUAL 0)
  fail("wineboot --init failed:\n${output}")
endif()
execute_process(COMMAND "${WINESERVER}" -w TIMEOUT 300)

# The stand-ins are 32-bit: in a 64-bit prefix their system folder is syswow64.
if(EXISTS "${prefix}/drive_c/windows/syswow64")
  set(folder "C:\\windows\\syswow64")
else()
  set(folder "C:\\windows\\system32")
endif()
string(REPLACE "\\" "/" unix_folder "${folder}")
string(REPLACE "C:/windows" "${prefix}/drive_c/windows" unix_folder "${unix_folder}")
set(names MSINET.OCX COMDLG32.OCX VBAME.DLL)
foreach(name IN LISTS names)
  file(COPY_FILE "${built}/${name}" "${unix_folder}/${name}")
endforeach()

# What the harness finds registered to the three, as "NAME kind path" lines, and the class ids.
function(registered lines_var ids_var)
  execute_process(COMMAND "${WINESERVER}" -w TIMEOUT 300)
  execute_process(COMMAND "${PYTHON}" -m harness.registry "${prefix}" ${names}
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE error TIMEOUT 300)
  if(NOT result EQUAL 0)
    fail("harness.registry failed:\n${output}${error}")
  endif()
  string(REGEX MATCHALL "[^\n]+" rows "${output}")
  set(lines "")
  set(ids "")
  foreach(row IN LISTS rows)
    string(REPLACE "\t" ";" fields "${row}")
    list(GET fields 0 name)
    list(GET fields 1 kind)
    list(GET fields 2 id)
    list(GET fields 3 path)
    list(APPEND lines "${name} ${kind} ${path}")
    list(APPEND ids "${id}")
  endforeach()
  set(${lines_var} "${lines}" PARENT_SCOPE)
  set(${ids_var} "${ids}" PARENT_SCOPE)
endfunction()

foreach(name MSINET.OCX COMDLG32.OCX)
  run_wine(result output regsvr32 /s "${folder}\\${name}")
  if(NOT result EQUAL 0)
    fail("regsvr32 ${name} failed with ${result}:\n${output}")
  endif()
endforeach()
registered(lines ids)
set(expected "MSINET.OCX class ${folder}\\MSINET.OCX;COMDLG32.OCX class ${folder}\\COMDLG32.OCX")
list(LENGTH ids count)
list(REMOVE_DUPLICATES ids)
list(LENGTH ids distinct)
if(NOT lines STREQUAL expected OR NOT count EQUAL 2 OR NOT distinct EQUAL 2)
  fail("Registered after regsvr32: ${lines} (classes ${ids}), not one class each: ${expected}")
endif()
list(GET ids 0 msinet_class)
run_wine(result output reg query "HKCR\\CLSID\\${msinet_class}\\InprocServer32" /v ThreadingModel
         /reg:32)
if(NOT output MATCHES "ThreadingModel +REG_SZ +Apartment")
  fail("The class of MSINET.OCX names no threading model:\n${output}")
endif()

run_wine(result output regsvr32 /s "${folder}\\VBAME.DLL")
if(result EQUAL 0)
  fail("VBAME.DLL registered although it has no DllRegisterServer")
endif()

# A type library is found by its win32 file as well, named in other letter case and through the
# system root; a class whose server is a file of that name in another folder is not the file's.
string(REPLACE "C:\\windows" "%SystemRoot%" rooted "${folder}")
set(library_path "${rooted}\\comdlg32.ocx")
run_wine(result output reg add "HKCR\\TypeLib\\{6A7C1E2B-0D3F-4B8E-9C51-2F4A7E0B9D16}\\1.0\\0\\win32"
         /ve /t REG_EXPAND_SZ /d "${library_path}" /f /reg:32)
run_wine(result output reg add "HKCR\\CLSID\\{6A7C1E2B-0D3F-4B8E-9C51-2F4A7E0B9D17}\\InprocServer32"
         /ve /d "C:\\elsewhere\\COMDLG32.OCX" /f /reg:32)

run_wine(result output regsvr32 /s /u "${folder}\\MSINET.OCX")
if(NOT result EQUAL 0)
  fail("regsvr32 /u MSINET.OCX failed with ${result}:\n${output}")
endif()
registered(lines ids)
if(NOT lines STREQUAL
   "COMDLG32.OCX class ${folder}\\COMDLG32.OCX;COMDLG32.OCX type library ${folder}\\comdlg32.ocx")
  fail("Registered after unregistering MSINET.OCX: ${lines}")
endif()
execute_process(COMMAND "${WINESERVER}" -w TIMEOUT 300)
file(REMOVE_RECURSE "${prefix}")
