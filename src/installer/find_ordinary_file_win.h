#pragma once

#include <string>

namespace brantel {

// The name of the first entry matching `path` that is an ordinary file, as the install run's
// existence test judges one, or empty when none does or the folder does not exist. It reads the
// folder and opens no file, so it also sees a file that is open or marked for deletion.
std::wstring FindOrdinaryFile(const std::wstring& path);

}  // namespace brantel
