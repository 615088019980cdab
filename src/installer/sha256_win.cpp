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

// CNG's handles are closed by bcrypt.dll's own functions, found again by name in the loaded
// library when a handle is closed: an owner only ever holds a handle that the loaded library made.
template <typename Fn>
Fn LoadedCngFunction(const char* name) noexcept {
  const HMODULE bcrypt = ::GetModuleHandleW(L"bcrypt.dll");
  if (bcrypt == nullptr) return nullptr;
  return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(bcrypt, name)));
}

void CloseAlgorithm(AlgorithmHandle algorithm) noexcept {
  const auto close = LoadedCngFunction<CloseAlgorithmFn>("BCryptCloseAlgorithmProvider");
  if (close != nullptr) close(algorithm, 0);
}

void DestroyHash(HashHandle hash) noexcept {
  const auto destroy = LoadedCngFunction<DestroyHashFn>("BCryptDestroyHash");
  if (destroy != nullptr) destroy(hash);
}

using UniqueAlgorithm = UniqueHandle<HandleTraits<AlgorithmHandle, &CloseAlgorithm>>;
using UniqueHash = UniqueHandle<HandleTraits<HashHandle, &DestroyHash>>;

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
  const auto create = Bind<CreateHashFn>(module, "BCryptCreateHash");
  const auto hashData = Bind<HashDataFn>(module, "BCryptHashData");
  const auto finish = Bind<FinishHashFn>(module, "BCryptFinishHash");

  UniqueAlgorithm algorithm;
  CheckStatus(open(algorithm.put(), L"SHA256", nullptr, 0), "BCryptOpenAlgorithmProvider");
  UniqueHash hash;
  CheckStatus(create(algorithm.get(), hash.put(), nullptr, 0, nullptr, 0, 0), "BCryptCreateHash");
  // BCryptHashData takes a non-const pointer but only reads.
  auto* data = const_cast<UCHAR*>(bytes.data());
  for (std::size_t left = bytes.size(); left != 0;) {
    const auto chunk = static_cast<ULONG>(std::min<std::size_t>(left, 1u << 30));
    CheckStatus(hashData(hash.get(), data, chunk, 0), "BCryptHashData");
    data += chunk;
    left -= chunk;
  }
  Sha256Digest digest{};
  CheckStatus(finish(hash.get(), digest.data(), static_cast<ULONG>(digest.size()), 0),
              "BCryptFinishHash");
  return digest;
}

}  // namespace brantel
