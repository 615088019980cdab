#include "installer/sha256_win.h"

#include <windows.h>

#include <algorithm>

#include "common/check_win.h"
#include "common/system_directory_win.h"

namespace brantel {
namespace {

// CNG's calls, as bcrypt.h declares them; the program binds them by name so that no import
// makes the loader search for bcrypt.dll before the program has restricted where DLLs load from.
using AlgorithmHandle = void*;
using HashHandle = void*;
using OpenAlgorithmFn = LONG(WINAPI*)(AlgorithmHandle*, const wchar_t*, const wchar_t*, ULONG);
using CloseAlgorithmFn = LONG(WINAPI*)(AlgorithmHandle, ULONG);
using CreateHashFn = LONG(WINAPI*)(AlgorithmHandle, HashHandle*, UCHAR*, ULONG, UCHAR*, ULONG,
                                   ULONG);
using HashDataFn = LONG(WINAPI*)(HashHandle, UCHAR*, ULONG, ULONG);
using FinishHashFn = LONG(WINAPI*)(HashHandle, UCHAR*, ULONG, ULONG);
using DestroyHashFn = LONG(WINAPI*)(HashHandle);

template <typename Fn>
Fn Bind(HMODULE module, const char* name) {
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(Check(::GetProcAddress(module, name), name)));
}

// CNG answers with an NTSTATUS; the program's errors carry Windows error codes.
void CheckStatus(LONG status, const char* where, CallSite site = CallSite::Here()) {
  if (status < 0) throw Error(ERROR_INVALID_FUNCTION, where, site);
}

}  // namespace

Sha256Digest Win32Sha256::Hash(std::span<const std::uint8_t> bytes) const {
  if (!bcrypt_) {
    const std::wstring path = SystemDirectory() + L"\\bcrypt.dll";
    bcrypt_.reset(::LoadLibraryExW(path.c_str(), nullptr, 0));
    if (!bcrypt_) ThrowLastError("LoadLibrary bcrypt.dll");
  }
  const HMODULE module = bcrypt_.get();
  const auto open = Bind<OpenAlgorithmFn>(module, "BCryptOpenAlgorithmProvider");
  const auto close = Bind<CloseAlgorithmFn>(module, "BCryptCloseAlgorithmProvider");
  const auto create = Bind<CreateHashFn>(module, "BCryptCreateHash");
  const auto hashData = Bind<HashDataFn>(module, "BCryptHashData");
  const auto finish = Bind<FinishHashFn>(module, "BCryptFinishHash");
  const auto destroy = Bind<DestroyHashFn>(module, "BCryptDestroyHash");

  AlgorithmHandle algorithm = nullptr;
  CheckStatus(open(&algorithm, L"SHA256", nullptr, 0), "BCryptOpenAlgorithmProvider");
  struct AlgorithmOwner {
    CloseAlgorithmFn close;
    AlgorithmHandle handle;
    ~AlgorithmOwner() { close(handle, 0); }
  } algorithmOwner{close, algorithm};
  HashHandle hash = nullptr;
  CheckStatus(create(algorithm, &hash, nullptr, 0, nullptr, 0, 0), "BCryptCreateHash");
  struct HashOwner {
    DestroyHashFn destroy;
    HashHandle handle;
    ~HashOwner() { destroy(handle); }
  } hashOwner{destroy, hash};
  // BCryptHashData takes a non-const pointer but only reads.
  auto* data = const_cast<UCHAR*>(bytes.data());
  for (std::size_t left = bytes.size(); left != 0;) {
    const auto chunk = static_cast<ULONG>(std::min<std::size_t>(left, 1u << 30));
    CheckStatus(hashData(hash, data, chunk, 0), "BCryptHashData");
    data += chunk;
    left -= chunk;
  }
  Sha256Digest digest{};
  CheckStatus(finish(hash, digest.data(), static_cast<ULONG>(digest.size()), 0),
              "BCryptFinishHash");
  return digest;
}

}  // namespace brantel
