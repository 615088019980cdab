# The bill of materials beside Brantel.exe, Brantel.bom.txt: for each component its name, size,
# SHA-256, file version, product name, whether it says it registers itself, and its signature.
# brantel-facts, built for the host from the same sources as the host build's
# (cmake/host_tools.cmake), reads it from the built program; one piece of code writes this list
# and prints `brantel-inspect bom`, so the two cannot differ.
# Included by the cross build after src/app.

set(bom "${CMAKE_BINARY_DIR}/src/app/Brantel.bom.txt")
add_custom_command(OUTPUT "${bom}"
  COMMAND "${host_facts}" bom "$<TARGET_FILE:Brantel>" "${bom}"
  DEPENDS Brantel "${host_facts}"
  COMMENT "Listing what Brantel.exe carries in Brantel.bom.txt"
  VERBATIM)
# The same facts as a CycloneDX 1.6 document, Brantel.cdx.json, from the same code. Its time is
# SOURCE_DATE_EPOCH's when the build has one, and there is none otherwise. The value is the
# build's, not the configuration's, so every build records it in a stamp that changes only with
# it, and the document is written again whenever it does.
set(epoch_stamp "${CMAKE_BINARY_DIR}/source_date_epoch.stamp")
add_custom_target(brantel_source_date_epoch
  COMMAND "${CMAKE_COMMAND}" "-DOUTPUT=${epoch_stamp}"
          -P "${CMAKE_CURRENT_LIST_DIR}/source_date_epoch.cmake"
  BYPRODUCTS "${epoch_stamp}"
  VERBATIM)
set(cdx "${CMAKE_BINARY_DIR}/src/app/Brantel.cdx.json")
add_custom_command(OUTPUT "${cdx}"
  COMMAND "${host_facts}" bom --format cyclonedx "$<TARGET_FILE:Brantel>" "${cdx}"
  DEPENDS Brantel "${host_facts}" "${epoch_stamp}"
  COMMENT "Writing the CycloneDX bill of materials Brantel.cdx.json"
  VERBATIM)
add_custom_target(brantel_bom ALL DEPENDS "${bom}" "${cdx}")
add_dependencies(brantel_bom brantel_host_tools brantel_source_date_epoch)

# What the build ships, which a build that refuses its components (cmake/pack_payload.cmake)
# removes: the program, its list and its document.
file(GENERATE OUTPUT "${BRANTEL_SHIPPED_LIST}" CONTENT "$<TARGET_FILE:Brantel>\n${bom}\n${cdx}\n")
