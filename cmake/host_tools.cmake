# The host programs the cross build runs, built for the host inside it from the same sources as
# the host build's: brantel-facts writes what the build takes from the program's own sources (the
# status pictures' list, the control ids), matches the component folder to the catalogue and
# writes the bill of materials; brantel-inspect is there for a user of this build. Included by
# the cross build before the targets that run them.
include(ExternalProject)

set(host_tools_dir "${CMAKE_BINARY_DIR}/host-tools")
set(host_facts "${host_tools_dir}/facts/brantel-facts")
set(host_inspect "${host_tools_dir}/inspect/brantel-inspect")
ExternalProject_Add(brantel_host_tools
  SOURCE_DIR "${CMAKE_SOURCE_DIR}/tools/build/host"
  BINARY_DIR "${host_tools_dir}"
  PREFIX "${host_tools_dir}/ep"
  CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release
  BUILD_BYPRODUCTS "${host_facts}" "${host_inspect}"
  BUILD_ALWAYS ON
  INSTALL_COMMAND "")
