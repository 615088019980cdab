#pragma once

#include "installer/extract.h"

namespace brantel {

// Stages a file beside its destination under a name of this program's, flushed to disk, and
// renames it into place through its own handle. Until it has the destination's name the file
// carries a delete disposition, so the system removes it should the program be ended before.
class Win32FileWriter : public FileWriter {
 public:
  std::unique_ptr<StagedFile> Stage(std::string_view path,
                                    std::span<const std::uint8_t> bytes) override;
  bool HoldsOrdinaryFile(std::string_view path) override;
  void RemoveFile(std::string_view path) override;
  void PauseBeforeRetry() override;

 private:
  // Long enough for a scanner or a loader to let go of a file, short beside the run.
  static constexpr unsigned long kRetryPauseMilliseconds = 50;
};

}  // namespace brantel
