"""The project's harness for running Brantel.exe under Wine: prefixes and the display, the
automation program and its report lines, screenshots, what registered itself to the components,
and what the build's sources say (the catalogue, the control ids, the status pictures). The
end-to-end tests, `make run` and `make bench` all use it."""
