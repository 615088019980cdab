# Writes `content` to `path` only when it differs from what the file holds, so that a generated
# source that stays the same does not make the build compile again.
function(brantel_write_if_changed path content)
  set(old "")
  if(EXISTS "${path}")
    file(READ "${path}" old)
  endif()
  if(NOT old STREQUAL content)
    file(WRITE "${path}" "${content}")
  endif()
endfunction()
