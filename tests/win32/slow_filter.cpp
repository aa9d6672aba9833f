// slow_filter.dll: a video capture filter named "USB 2880 Device" whose
// creation takes eight seconds and then fails, so that a run of Tarnwick.exe
// waits in one platform call long enough to be watched. Registered and
// removed with regsvr32 (and regsvr32 /u).
#include <windows.h>
#include <dshow.h>

namespace {

// {5A1B2C3D-0003-4E5F-8011-223344556677}
constexpr GUID kSlowClass = {0x5A1B2C3D, 0x0003, 0x4E5F, {0x80, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77}};
constexpr const char* kClassKey = "CLSID\\{5A1B2C3D-0003-4E5F-8011-223344556677}";
constexpr const char* kServerKey = "CLSID\\{5A1B2C3D-0003-4E5F-8011-223344556677}\\InprocServer32";
constexpr DWORD kCreationMs = 8000;

HMODULE self = nullptr;

HRESULT WithMapper(HRESULT (*use)(IFilterMapper2&)) {
  const HRESULT initialised = ::CoInitialize(nullptr);
  IFilterMapper2* mapper = nullptr;
  HRESULT status = ::CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                                      reinterpret_cast<void**>(&mapper));
  if (SUCCEEDED(status)) {
    status = use(*mapper);
    mapper->Release();
  }
  if (SUCCEEDED(initialised)) ::CoUninitialize();
  return status;
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
  if (reason == DLL_PROCESS_ATTACH) self = instance;
  return TRUE;
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID, REFIID, void** object) {
  ::Sleep(kCreationMs);
  if (object != nullptr) *object = nullptr;
  return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllCanUnloadNow() { return S_OK; }

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllRegisterServer() {
  char path[MAX_PATH];
  const DWORD length = ::GetModuleFileNameA(self, path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return E_FAIL;
  HKEY server = nullptr;
  if (::RegCreateKeyExA(HKEY_CLASSES_ROOT, kServerKey, 0, nullptr, 0, KEY_WRITE, nullptr, &server, nullptr) != ERROR_SUCCESS) {
    return E_FAIL;
  }
  ::RegSetValueExA(server, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(path), length + 1);
  ::RegSetValueExA(server, "ThreadingModel", 0, REG_SZ, reinterpret_cast<const BYTE*>("Both"), 5);
  ::RegCloseKey(server);
  return WithMapper([](IFilterMapper2& mapper) {
    REGFILTER2 description{};
    description.dwVersion = 1;
    description.dwMerit = MERIT_DO_NOT_USE;
    return mapper.RegisterFilter(kSlowClass, L"USB 2880 Device", nullptr, &CLSID_VideoInputDeviceCategory, nullptr,
                                 &description);
  });
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllUnregisterServer() {
  const HRESULT status = WithMapper([](IFilterMapper2& mapper) {
    return mapper.UnregisterFilter(&CLSID_VideoInputDeviceCategory, nullptr, kSlowClass);
  });
  ::RegDeleteTreeA(HKEY_CLASSES_ROOT, kClassKey);
  return status;
}
