// What the host programs end with, and the one place where a failure that nothing else handled
// becomes a message.
#pragma once

#include <functional>

namespace brantel::inspect {

inline constexpr int kFailed = 1;
inline constexpr int kUsage = 2;

// Runs `run` and returns its exit status. Whatever a file does to the reading of it, running out
// of memory included, ends here with a message that names `program` or `subject` and kFailed,
// never an abort that leaves the caller guessing.
int RunReportingFailures(const char* program, const char* subject, const std::function<int()>& run);

}  // namespace brantel::inspect
