#pragma once

#include <cwchar>
#include <string>
#include <vector>

namespace brantel {

// The test programs take a script on their command line: steps of words, separated by ";".
using Words = std::vector<std::wstring>;

inline std::vector<Words> Steps(int argc, wchar_t** argv) {
  std::vector<Words> steps(1);
  for (int i = 1; i < argc; ++i) {
    if (std::wcscmp(argv[i], L";") == 0) {
      steps.emplace_back();
    } else {
      steps.back().emplace_back(argv[i]);
    }
  }
  std::erase_if(steps, [](const Words& words) { return words.empty(); });
  return steps;
}

}  // namespace brantel
