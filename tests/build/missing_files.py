# A folder that cannot be packed stops the build with one message that names every mistake of the
# folder (missing files, two names differing only in letter case) and every file that cannot be
# its component, with the reason, and the build leaves no program, list or document behind.
include("${CMAKE_CURRENT_LIST_DIR}/payload.py")

read_catalogue(names plain)
set(present ${names})
list(REMOVE_ITEM present VBAME.DLL MSINET.OCX)
stage_components(${present})
file(COPY_FILE "${COMPONENTS}/MSCOMM32.OCX" "${COMPONENTS}/mscomm32.ocx")
# Text, nothing at all, a 64-bit image, a program, a library cut short, and a library that
# cannot register itself under the name of one that must.
file(WRITE "${COMPONENTS}/MSCOMCTL.OCX" "just a text, no image\n")
file(WRITE "${COMPONENTS}/COMDLG32.OCX" "")
read_u32("${COMPONENTS}/RICHTX32.OCX" 60 pe)
math(EXPR machine "${pe} + 4")
math(EXPR optional "${pe} + 24")
patch_le("${COMPONENTS}/RICHTX32.OCX" ${machine} 0x8664 2)  # x64
patch_le("${COMPONENTS}/RICHTX32.OCX" ${optional} 0x20B 2)  # PE32+
read_u32("${COMPONENTS}/MSFLXGRD.OCX" 60 pe)
math(EXPR at "${pe} + 22")
read_u32("${COMPONENTS}/MSFLXGRD.OCX" ${at} characteristics)
math(EXPR characteristics "${characteristics} & 0xFFFF & ~0x2000")  # IMAGE_FILE_DLL cleared
patch_le("${COMPONENTS}/MSFLXGRD.OCX" ${at} ${characteristics} 2)
execute_process(COMMAND "${DD}" "if=${STANDINS}/MSCHRT20.OCX" "of=${COMPONENTS}/MSCHRT20.OCX"
                        bs=1500 count=1 status=none RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  fail("Could not cut MSCHRT20.OCX short: ${result}")
endif()
list(GET plain 0 plain_library)
file(COPY_FILE "${STANDINS}/${plain_library}" "${COMPONENTS}/MSDATGRD.OCX")

# What an earlier build left, which a refused one must not leave standing.
set(shipped "${TREE}/src/app/Brantel.exe" "${TREE}/src/app/Brantel.bom.txt"
            "${TREE}/src/app/Brantel.cdx.json")
foreach(file IN LISTS shipped)
  file(WRITE "${file}" "an earlier build's")
endforeach()

build_target(brantel_payload result output)
message("${output}")
if(result EQUAL 0)
  fail("The build passed a folder it should refuse:\n${output}")
endif()
foreach(said IN ITEMS
    "2 missing: VBAME.DLL, MSINET.OCX"
    "more than one file, differing only in letter case: MSCOMM32.OCX and mscomm32.ocx"
    "MSCOMCTL.OCX: not a Windows program file (it does not start with MZ)"
    "COMDLG32.OCX: an empty file, not a Windows program file"
    "RICHTX32.OCX: a 64-bit image; this setup installs 32-bit components"
    "MSFLXGRD.OCX: a program, not a library (DLL)"
    "MSCHRT20.OCX: ends at byte 1500, inside section .text"
    "MSDATGRD.OCX: exports no DllRegisterServer, so regsvr32 cannot register it")
  string(FIND "${output}" "  ${said}\n" at)
  if(at LESS 0)
    fail("The refusal does not say \"${said}\" on a line of its own")
  endif()
endforeach()
string(REGEX MATCHALL "CMake Error" errors "${output}")
list(LENGTH errors error_count)
if(NOT error_count EQUAL 1)
  fail("Expected one error message, found ${error_count}:\n${output}")
endif()
foreach(file IN LISTS shipped)
  if(EXISTS "${file}")
    fail("The refused build left ${file}")
  endif()
endforeach()
