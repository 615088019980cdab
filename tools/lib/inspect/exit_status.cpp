#include "exit_status.h"

#include <cstdio>
#include <exception>
#include <new>

#include "file_bytes.h"

namespace brantel::inspect {

int RunReportingFailures(const char* program, const char* subject,
                         const std::function<int()>& run) {
  try {
    return run();
  } catch (const FileError& failure) {
    std::fprintf(stderr, "%s\n", failure.what());
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "%s: out of memory reading %s\n", program, subject);
  } catch (const std::exception& failure) {
    std::fprintf(stderr, "%s: %s\n", program, failure.what());
  }
  return kFailed;
}

}  // namespace brantel::inspect
