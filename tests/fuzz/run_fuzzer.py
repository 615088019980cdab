# Runs the fuzzer for a bounded time on a fresh corpus: the committed seeds plus, given a cross
# build, whatever executables it has produced. Run with cmake -P and:
#   -DFUZZER=<binary> -DSEEDS=<dir> [-DCROSS_DIR=<cross build>] -DWORK=<scratch dir>
#   -DSECONDS=<total time>
# New inputs go to the scratch corpus, never to the committed seeds; a crash leaves its input
# in WORK as crash-*.

set(corpus "${WORK}/corpus")
file(REMOVE_RECURSE "${corpus}")
file(MAKE_DIRECTORY "${corpus}")
file(GLOB seeds "${SEEDS}/*")
file(COPY ${seeds} DESTINATION "${corpus}")
# The stand-in components carry upper-case extensions, as the catalogue spells them.
set(built "")
if(CROSS_DIR)
  file(GLOB_RECURSE built LIST_DIRECTORIES false "${CROSS_DIR}/*.exe" "${CROSS_DIR}/*.dll"
       "${CROSS_DIR}/*.DLL" "${CROSS_DIR}/*.OCX")
endif()
list(LENGTH built built_count)
if(built_count GREATER 0)
  file(COPY ${built} DESTINATION "${corpus}")
endif()
message("fuzzing for ${SECONDS} s on the seeds and ${built_count} built executables")

execute_process(
  COMMAND "${FUZZER}" -max_total_time=${SECONDS} -runs=10000000 -rss_limit_mb=2048
          -artifact_prefix=${WORK}/ -print_final_stats=1 "${corpus}"
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "the fuzzer failed (${result}); its input is in ${WORK}")
endif()
