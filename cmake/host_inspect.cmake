# brantel-inspect, built for the host inside the cross build from the same sources as the host
# build's: the build writes with it what it takes from the program's own sources (the status
# pictures' list, the control ids) and what it reads from the built program (the bill of
# materials). Included by the cross build before the targets that run it.
include(ExternalProject)

set(host_inspect_dir "${CMAKE_BINARY_DIR}/host-inspect")
set(host_inspect "${host_inspect_dir}/inspect/brantel-inspect")
ExternalProject_Add(brantel_host_inspect
  SOURCE_DIR "${CMAKE_SOURCE_DIR}/tools/build/host"
  BINARY_DIR "${host_inspect_dir}"
  PREFIX "${host_inspect_dir}/ep"
  CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release
  BUILD_COMMAND "${CMAKE_COMMAND}" --build <BINARY_DIR> --target brantel-inspect
  BUILD_BYPRODUCTS "${host_inspect}"
  BUILD_ALWAYS ON
  INSTALL_COMMAND "")
