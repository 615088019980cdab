#pragma once

#include "installer/extract.h"

namespace brantel {

// Stages a file beside its destination under a name of this program's, flushed to disk, and
// renames it into place. While it is written the file carries a delete disposition, so the
// system removes it should the program be ended before it is placed.
class Win32FileWriter : public FileWriter {
 public:
  std::unique_ptr<StagedFile> Stage(std::string_view path,
                                    std::span<const std::uint8_t> bytes) override;
  bool HoldsOrdinaryFile(std::string_view path) override;
  void RemoveFile(std::string_view path) override;
};

}  // namespace brantel
