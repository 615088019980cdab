# Brantel.exe's replacements of C++ library parts are judged against libraries made here from
# them, so the cases do not depend on the toolchain's own library: one whose members define
# what the replacements define (both fit), and one whose members define other functions (both
# are left out, each saying what that costs).
# Inputs: SOURCE_DIR, WORK_DIR, OBJECTS (the folder where the cross build compiled the
# replacements when it was configured), AR, NM.
cmake_policy(VERSION 3.25)

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}/same" "${WORK_DIR}/other")
set(errors "${OBJECTS}/library_errors_win.cpp.obj")
set(terminate "${OBJECTS}/terminate_win.cpp.obj")

function(archive library)
  execute_process(COMMAND "${AR}" rc "${library}" ${ARGN} RESULT_VARIABLE result
                  ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${AR} could not write ${library}: ${output}")
  endif()
endfunction()

function(judge library expected)
  execute_process(COMMAND "${CMAKE_COMMAND}" "-DNM=${NM}" "-DLIBRARY=${library}"
                          "-DLIBRARY_ERRORS=${errors}" "-DTERMINATE=${terminate}"
                          -P "${SOURCE_DIR}/cmake/library_overrides.cmake"
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "Judging the replacements against ${library} failed:\n${output}")
  endif()
  foreach(line IN LISTS expected)
    string(FIND "${output}" "${line}" at)
    if(at EQUAL -1)
      message(FATAL_ERROR "Judged against ${library}, expected \"${line}\", got:\n${output}")
    endif()
  endforeach()
endfunction()

# A library whose members are the replacements themselves.
configure_file("${errors}" "${WORK_DIR}/same/functexcept.o" COPYONLY)
configure_file("${terminate}" "${WORK_DIR}/same/vterminate.o" COPYONLY)
archive("${WORK_DIR}/same/libstdc++.a" "${WORK_DIR}/same/functexcept.o"
        "${WORK_DIR}/same/vterminate.o")
judge("${WORK_DIR}/same/libstdc++.a" "library_errors_win.cpp: fits;terminate_win.cpp: fits")

# A library whose two members hold each other's functions: neither replacement fits, and the
# build would go on without both.
configure_file("${terminate}" "${WORK_DIR}/other/functexcept.o" COPYONLY)
configure_file("${errors}" "${WORK_DIR}/other/vterminate.o" COPYONLY)
archive("${WORK_DIR}/other/libstdc++.a" "${WORK_DIR}/other/functexcept.o"
        "${WORK_DIR}/other/vterminate.o")
judge("${WORK_DIR}/other/libstdc++.a"
      "library_errors_win.cpp: left out, about 88 KiB larger: the library's functexcept.o defines other functions (not replaced: __ZN9__gnu_cxx27__verbose_terminate_handlerEv;terminate_win.cpp: left out, about 76 KiB larger: the library's vterminate.o no longer defines __ZN9__gnu_cxx27__verbose_terminate_handlerEv")
