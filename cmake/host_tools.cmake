# The host programs the cross build runs, built for the host inside it from the same sources as
# the host build's: brantel-facts writes what the build takes from the program's own sources
# (facts.json), matches the component folder to the catalogue and writes the bill of materials;
# brantel-inspect is there for a user of this build. Included by the cross build before anything
# that reads the facts.
#
# The facts are written as the build is configured, since the stand-ins are targets of their own,
# one for each catalogue name, and the configuration is made again whenever a source they come
# from changes. Sets BRANTEL_FACTS (facts.json), host_facts and host_inspect (the programs).

set(host_tools_dir "${CMAKE_BINARY_DIR}/host-tools")
set(host_facts "${host_tools_dir}/facts/brantel-facts")
set(host_inspect "${host_tools_dir}/inspect/brantel-inspect")
set(BRANTEL_FACTS "${CMAKE_BINARY_DIR}/facts.json")

function(brantel_host_step what)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output
                  ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${what} failed:\n${output}")
  endif()
endfunction()

brantel_host_step("Configuring the host programs"
  "${CMAKE_COMMAND}" -S "${CMAKE_SOURCE_DIR}/tools/build/host" -B "${host_tools_dir}"
  -G "${CMAKE_GENERATOR}" -DCMAKE_BUILD_TYPE=Release)
brantel_host_step("Building brantel-facts"
  "${CMAKE_COMMAND}" --build "${host_tools_dir}" --target brantel-facts)
# Replaced only when it changes, so that a new configuration rebuilds nothing that reads it.
brantel_host_step("Writing the program's facts"
  "${host_facts}" facts "${BRANTEL_FACTS}.new")
file(COPY_FILE "${BRANTEL_FACTS}.new" "${BRANTEL_FACTS}" ONLY_IF_DIFFERENT)
file(REMOVE "${BRANTEL_FACTS}.new")

# What the facts come from: the portable sources the exporter compiles, the icon's ids and the
# exporter itself.
file(GLOB_RECURSE fact_sources
  "${CMAKE_SOURCE_DIR}/src/*.h" "${CMAKE_SOURCE_DIR}/src/*.inc" "${CMAKE_SOURCE_DIR}/src/*.cpp"
  "${CMAKE_SOURCE_DIR}/tools/build/facts/*")
list(FILTER fact_sources EXCLUDE REGEX "_win\\.(cpp|h)$")
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${fact_sources} "${CMAKE_SOURCE_DIR}/resources/icon_ids.h")

# On every build, so that the bill of materials and the folder's check are the current code's.
add_custom_target(brantel_host_tools
  COMMAND "${CMAKE_COMMAND}" --build "${host_tools_dir}"
  BYPRODUCTS "${host_facts}" "${host_inspect}"
  COMMENT "Building the host programs"
  VERBATIM)
