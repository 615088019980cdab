# An unchanged folder leaves payload.rc as it is, so nothing is compiled again; a changed file
# reaches the compiled payload without a new configure.
include("${CMAKE_CURRENT_LIST_DIR}/payload.py")

read_catalogue(names)
stage_components(${names})
build_must_pass(brantel_payload_resources output)

# An mtime from long ago shows whether the next build wrote the file again.
execute_process(COMMAND "${TOUCH}" -d @86400 "${PAYLOAD_RC}" RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  fail("Could not set the time of ${PAYLOAD_RC}")
endif()
build_must_pass(brantel_payload_resources output)
file(TIMESTAMP "${PAYLOAD_RC}" stamp "%s" UTC)
if(NOT stamp EQUAL 86400)
  fail("payload.rc was written again although no payload file changed")
endif()

file(APPEND "${COMPONENTS}/MSINET.OCX" "grown by the test")
build_must_pass(brantel_payload_resources output)
expect_packed("${names}")
