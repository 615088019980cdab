#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

#include "installer/payload.h"

namespace brantel {

// A component's bytes in a file of their own beside the destination, already on disk, under a
// name no component has. Destroying it before it is placed removes that file; so does the
// system, should the program be ended while it is written.
class StagedFile {
 public:
  virtual ~StagedFile() = default;
  // Gives the file the destination's name, unless an entry of that name exists: then the staged
  // file stays as it is and the answer is false.
  virtual bool PlaceIfNameFree() = 0;
  // Gives the file the destination's name, replacing the entry that has it. When that fails the
  // staged file stays as it is, so the replace can be tried again.
  virtual void PlaceReplacing() = 0;
  // Removes the staged file; a removal that fails is an error.
  virtual void Discard() = 0;
};

// The file system as the install run uses it: whether a name holds an ordinary file, and whole
// files written so that a destination holds either what it held before or every byte of the new
// file, never part of it, whether the program fails, is ended or loses power on the way.
class FileWriter {
 public:
  virtual ~FileWriter() = default;
  // Writes `bytes` into a new file in the folder of `path`. A path whose folder does not exist
  // fails without creating anything.
  virtual std::unique_ptr<StagedFile> Stage(std::string_view path,
                                            std::span<const std::uint8_t> bytes) = 0;
  // Whether an entry matching `path` is an ordinary file: read-only and archive files count;
  // hidden files, system files and directories do not. The install run's existence test.
  virtual bool HoldsOrdinaryFile(std::string_view path) = 0;
  // Removes the file at `path`; a removal that fails is an error.
  virtual void RemoveFile(std::string_view path) = 0;
  // Lets a moment pass before a refused replace is tried again.
  virtual void PauseBeforeRetry() = 0;
};

// How often a replace is tried while the name still holds an entry that is no ordinary file but
// refuses to be replaced, as one that some process has open for a moment does.
inline constexpr int kReplaceAttempts = 5;

enum class Extraction {
  Written,            // the entry is now the file at the path
  CompletedMeanwhile  // an ordinary file took that name while the entry was written; it stays
};

// Writes the payload entry `name` of `type` to `path`, byte for byte. A missing entry fails
// before any file is touched; a failure leaves whatever had that name before as it was. An
// entry of that name that is no ordinary file (hidden or system) is replaced; when the replace is
// refused and an ordinary file now has the name, another copy of the setup completed the same
// component, and the entry is not written.
Extraction ExtractFile(const PayloadStore& store, FileWriter& writer, std::string_view name,
                       std::string_view type, std::string_view path);

}  // namespace brantel
