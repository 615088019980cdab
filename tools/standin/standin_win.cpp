// A stand-in component: a real 32-bit DLL that carries a component's file name and nothing of
// its code. Self-registering stand-ins record where they were registered from, so that a test can
// tell which copy regsvr32 loaded; unregistering removes the record.
#include <windows.h>
#include <olectl.h>

// The image's own base, which the linker provides; it is also the module handle.
extern "C" IMAGE_DOS_HEADER __ImageBase;

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
  return TRUE;
}

#if BRANTEL_STANDIN_SELF_REGISTER

namespace {

constexpr const wchar_t* kMarkKey = L"Software\\Brantel\\StandIns";

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

LSTATUS WriteMark(HKEY root, const wchar_t* path, DWORD path_chars) {
  RegistryKey key;
  LSTATUS status = RegCreateKeyExW(root, kMarkKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                   KEY_SET_VALUE, nullptr, key.Receive(), nullptr);
  if (status != ERROR_SUCCESS) return status;
  return RegSetValueExW(key.Get(), BRANTEL_STANDIN_NAME, 0, REG_SZ,
                        reinterpret_cast<const BYTE*>(path), (path_chars + 1) * sizeof(wchar_t));
}

LSTATUS RemoveMark(HKEY root) {
  RegistryKey key;
  LSTATUS status = RegOpenKeyExW(root, kMarkKey, 0, KEY_SET_VALUE, key.Receive());
  if (status == ERROR_SUCCESS) status = RegDeleteValueW(key.Get(), BRANTEL_STANDIN_NAME);
  return status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status;
}

}  // namespace

extern "C" HRESULT WINAPI DllRegisterServer() {
#ifdef BRANTEL_STANDIN_LINGER_MS
  Sleep(BRANTEL_STANDIN_LINGER_MS);  // the mark appears only once the registration is done
#endif
  wchar_t path[1024];
  const DWORD chars =
      GetModuleFileNameW(reinterpret_cast<HMODULE>(&__ImageBase), path, ARRAYSIZE(path));
  if (chars == 0 || chars >= ARRAYSIZE(path)) return SELFREG_E_CLASS;
  // Under an account that may not write the machine's keys the user's keys still show the mark.
  if (WriteMark(HKEY_LOCAL_MACHINE, path, chars) == ERROR_SUCCESS) return S_OK;
  const LSTATUS status = WriteMark(HKEY_CURRENT_USER, path, chars);
  return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status);
}

extern "C" HRESULT WINAPI DllUnregisterServer() {
  const LSTATUS machine = RemoveMark(HKEY_LOCAL_MACHINE);
  const LSTATUS user = RemoveMark(HKEY_CURRENT_USER);
  if (machine != ERROR_SUCCESS && machine != ERROR_ACCESS_DENIED)
    return HRESULT_FROM_WIN32(machine);
  return user == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(user);
}

#endif
