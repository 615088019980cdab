# Brings a linked stand-in to its component's exact size with zero bytes after the image, which
# the loader ignores. An image already larger than that size is an error, never cut short.
# Inputs: FILE, SIZE, TRUNCATE (the coreutils program).
file(SIZE "${FILE}" image_size)
if(image_size GREATER SIZE)
  message(FATAL_ERROR "${FILE} is ${image_size} bytes, more than its size of ${SIZE}")
endif()
execute_process(COMMAND "${TRUNCATE}" "--size=${SIZE}" "${FILE}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "Could not pad ${FILE} to ${SIZE} bytes")
endif()
