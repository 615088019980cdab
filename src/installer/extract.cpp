#include "installer/extract.h"

namespace brantel {

Extraction ExtractFile(const PayloadStore& store, FileWriter& writer, std::string_view name,
                       std::string_view type, std::string_view path) {
  const std::span<const std::uint8_t> entry = store.ReadPayload(name, type);
  const std::unique_ptr<StagedFile> staged = writer.Stage(path, entry);
  if (staged->PlaceIfNameFree()) return Extraction::Written;
  // Something took the name while the entry was written. An ordinary file is another copy of the
  // setup that completed the same component first: it stays, and so does its registration.
  if (writer.HoldsOrdinaryFile(path)) {
    staged->Discard();
    return Extraction::CompletedMeanwhile;
  }
  // A hidden or system entry, which the existence test judged absent: the new file replaces it.
  staged->PlaceReplacing();
  return Extraction::Written;
}

}  // namespace brantel
