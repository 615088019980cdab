#include "installer/extract.h"

#include <algorithm>
#include <array>

#include "common/error.h"

namespace brantel {
namespace {

// How the system refuses to replace a name that a process holds open or maps, or that another
// copy has just taken: access denied, a sharing violation, or a name that exists.
constexpr std::array<std::uint32_t, 4> kNameHeldCodes = {5, 32, 80, 183};

bool NameHeld(const Error& error) {
  return std::ranges::find(kNameHeldCodes, error.code()) != kNameHeldCodes.end();
}

}  // namespace

Extraction ExtractFile(const PayloadStore& store, FileWriter& writer, std::string_view name,
                       std::string_view type, std::string_view path) {
  const std::span<const std::uint8_t> entry = store.ReadPayload(name, type);
  const std::unique_ptr<StagedFile> staged = writer.Stage(path, entry);
  if (staged->PlaceIfNameFree()) return Extraction::Written;
  for (int attempt = 1;; ++attempt) {
    // An ordinary file under the name is another copy of the setup that completed the same
    // component first: it stays, and so does its registration.
    if (writer.HoldsOrdinaryFile(path)) {
      staged->Discard();
      return Extraction::CompletedMeanwhile;
    }
    // A hidden or system entry, which the existence test judged absent: the new file replaces
    // it. The replace is refused while another copy's file, placed after that look, is still
    // open or mapped, so a refusal means looking again.
    try {
      staged->PlaceReplacing();
      return Extraction::Written;
    } catch (const Error& error) {
      if (!NameHeld(error) || attempt == kReplaceAttempts) throw;
    }
    writer.PauseBeforeRetry();
  }
}

}  // namespace brantel
