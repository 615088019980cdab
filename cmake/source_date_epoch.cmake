# Keeps OUTPUT saying which SOURCE_DATE_EPOCH the build runs with, or that it has none, written
# only when that changes, so that what is made from the value is made again exactly then.
# Run with cmake -DOUTPUT=<file> -P.
include("${CMAKE_CURRENT_LIST_DIR}/write_if_changed.cmake")
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  brantel_write_if_changed("${OUTPUT}" "SOURCE_DATE_EPOCH=$ENV{SOURCE_DATE_EPOCH}\n")
else()
  brantel_write_if_changed("${OUTPUT}" "no SOURCE_DATE_EPOCH\n")
endif()
