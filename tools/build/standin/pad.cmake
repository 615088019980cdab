# Brings a linked stand-in to its component's exact size with pseudo-random bytes after the image,
# overlay data that the loader ignores. Real components are code and data, not zeros: padding that
# looks like them makes compression, damage and truncation act on a stand-in as on a real file.
# The bytes are AES-256-CTR's keystream under a key drawn from SEED, so every build writes the same
# ones and every stand-in its own. An image already larger than its size is an error, never cut
# short.
# Inputs: FILE, SIZE, SEED (the component's name), OPENSSL, HEAD, TEE (the programs).
file(SIZE "${FILE}" image_size)
if(image_size GREATER SIZE)
  message(FATAL_ERROR "${FILE} is ${image_size} bytes, more than its size of ${SIZE}")
endif()
math(EXPR padding "${SIZE} - ${image_size}")
string(SHA256 key "${SEED}")
string(REPEAT "0" 32 counter)
execute_process(
  COMMAND "${HEAD}" --bytes=${padding} /dev/zero
  COMMAND "${OPENSSL}" enc -aes-256-ctr -nosalt -K ${key} -iv ${counter}
  COMMAND "${TEE}" --append "${FILE}"
  OUTPUT_QUIET RESULTS_VARIABLE results)
file(SIZE "${FILE}" padded_size)
if(NOT results STREQUAL "0;0;0" OR NOT padded_size EQUAL SIZE)
  message(FATAL_ERROR "Could not pad ${FILE} to ${SIZE} bytes (${results})")
endif()
