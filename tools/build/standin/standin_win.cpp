// A stand-in component: a real 32-bit DLL that carries a component's file name and nothing of
// its code. A self-registering stand-in registers one COM class as a control does, its
// InprocServer32 naming the module's own full path, so the registry tells which copy regsvr32
// loaded; unregistering removes the class.
#include <windows.h>
#include <olectl.h>

// The image's own base, which the linker provides; it is also the module handle.
extern "C" IMAGE_DOS_HEADER __ImageBase;

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
  return TRUE;
}

#if BRANTEL_STANDIN_SELF_REGISTER

namespace {

constexpr const wchar_t* kClassKey = L"CLSID\\" BRANTEL_STANDIN_CLSID;
constexpr const wchar_t* kServerKey = L"CLSID\\" BRANTEL_STANDIN_CLSID L"\\InprocServer32";
constexpr const wchar_t kClassName[] = L"Brantel test stand-in for " BRANTEL_STANDIN_NAME;
constexpr const wchar_t kThreadingModel[] = L"Apartment";

// Closes a registry key when the scope ends; not copyable, so a key is closed once.
class RegistryKey {
 public:
  RegistryKey() = default;
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  ~RegistryKey() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  HKEY* Receive() { return &key_; }
  HKEY Get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

LSTATUS SetText(HKEY key, const wchar_t* name, const wchar_t* text, DWORD chars) {
  return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                        (chars + 1) * sizeof(wchar_t));
}

LSTATUS WriteKey(const wchar_t* path, RegistryKey& key) {
  return RegCreateKeyExW(HKEY_CLASSES_ROOT, path, 0, nullptr, REG_OPTION_NON_VOLATILE,
                         KEY_SET_VALUE, nullptr, key.Receive(), nullptr);
}

LSTATUS WriteClass(const wchar_t* path, DWORD path_chars) {
  RegistryKey owner;
  LSTATUS status = WriteKey(kClassKey, owner);
  if (status == ERROR_SUCCESS)
    status = SetText(owner.Get(), nullptr, kClassName, ARRAYSIZE(kClassName) - 1);
  RegistryKey server;
  if (status == ERROR_SUCCESS) status = WriteKey(kServerKey, server);
  if (status == ERROR_SUCCESS) status = SetText(server.Get(), nullptr, path, path_chars);
  if (status == ERROR_SUCCESS) {
    status =
        SetText(server.Get(), L"ThreadingModel", kThreadingModel, ARRAYSIZE(kThreadingModel) - 1);
  }
  return status;
}

LSTATUS RemoveKey(const wchar_t* path) {
  const LSTATUS status = RegDeleteKeyW(HKEY_CLASSES_ROOT, path);
  return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

}  // namespace

extern "C" HRESULT WINAPI DllRegisterServer() {
#ifdef BRANTEL_STANDIN_LINGER_MS
  Sleep(BRANTEL_STANDIN_LINGER_MS);  // the class appears only once the registration is done
#endif
  wchar_t path[1024];
  const DWORD chars =
      GetModuleFileNameW(reinterpret_cast<HMODULE>(&__ImageBase), path, ARRAYSIZE(path));
  if (chars == 0 || chars >= ARRAYSIZE(path)) return SELFREG_E_CLASS;
  const LSTATUS status = WriteClass(path, chars);
  return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status);
}

extern "C" HRESULT WINAPI DllUnregisterServer() {
  LSTATUS status = RemoveKey(kServerKey);
  if (status == ERROR_SUCCESS) status = RemoveKey(kClassKey);
  return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status);
}

#endif
