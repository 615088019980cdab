#pragma once

#include <windows.h>

namespace brantel::bench {

// Milliseconds since construction, from the performance counter: the tick count's 10 to 16 ms
// steps are as long as some of the spans measured.
class Stopwatch {
 public:
  Stopwatch() noexcept { ::QueryPerformanceCounter(&start_); }

  double Milliseconds() const noexcept {
    LARGE_INTEGER now{};
    LARGE_INTEGER frequency{};
    ::QueryPerformanceCounter(&now);
    ::QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart - start_.QuadPart) * 1000.0 /
           static_cast<double>(frequency.QuadPart);
  }

 private:
  LARGE_INTEGER start_{};
};

}  // namespace brantel::bench
