#include "installer/payload_store_win.h"

#include <windows.h>

#include "common/check_win.h"
#include "common/utf8_win.h"

namespace brantel {

std::span<const std::uint8_t> ModulePayloadStore::ReadPayload(std::string_view name,
                                                              std::string_view type) const {
  const std::wstring wideName = Widen(name);
  const std::wstring wideType = Widen(type);
  // The resources stay mapped as long as the program runs: the entry is read where it lies.
  const HRSRC found =
      Check(::FindResourceW(nullptr, wideName.c_str(), wideType.c_str()), "FindResource");
  const HGLOBAL loaded = Check(::LoadResource(nullptr, found), "LoadResource");
  const void* bytes = Check(::LockResource(loaded), "LockResource");
  // An empty entry answers 0 without failing, so only a code set by this call tells a failure.
  ::SetLastError(ERROR_SUCCESS);
  const DWORD size = ::SizeofResource(nullptr, found);
  if (size == 0 && ::GetLastError() != ERROR_SUCCESS) ThrowLastError("SizeofResource");
  return {static_cast<const std::uint8_t*>(bytes), size};
}

}  // namespace brantel
