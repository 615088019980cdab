# brantel-inspect on files made to exhaust it: each ends with a message and exit status 1, never
# an abort or the machine's memory. Run with cmake -P and -DINSPECT=<brantel-inspect> -DSH=<sh>
# -DTRUNCATE=<truncate> -DWORK=<folder>.

# Runs `brantel-inspect list FILE` within `kib` KiB of address space and expects `message`.
function(expect_refused file kib message)
  execute_process(
    COMMAND "${SH}" -c "ulimit -v ${kib} && exec \"$0\" list \"$1\"" "${INSPECT}" "${file}"
    RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE errors)
  if(NOT result STREQUAL "1" OR NOT errors MATCHES "${message}")
    message(FATAL_ERROR "list ${file}: exit ${result}, expected 1 with \"${message}\":\n"
                        "${output}${errors}")
  endif()
  message("list ${file}: ${errors}")
endfunction()

# Endless zeros: refused at the limit, long before the 1 GiB the run may take.
expect_refused(/dev/zero 1048576 "/dev/zero: larger than 256 MiB, more than brantel-inspect reads")

# Within the limit, but more than the memory there is.
file(MAKE_DIRECTORY "${WORK}")
set(big "${WORK}/200-mib-of-zeros")
execute_process(COMMAND "${TRUNCATE}" -s 200M "${big}" COMMAND_ERROR_IS_FATAL ANY)
expect_refused("${big}" 131072 "brantel-inspect: out of memory reading ${big}")
file(REMOVE "${big}")
