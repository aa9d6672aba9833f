// Prints the text properties of every Win32_BaseBoard object, one line each:
// "MB Info", the name and the text parted by TAB, as the report's list would
// show them. It reads WMI by a route of its own (the ordinary locator, the
// class's instance enumeration, the system properties by name and then each
// object's own property walk), so the Wine check can hold tarnwick-cli.exe's
// entries against it.
#include <windows.h>
#include <wbemcli.h>

#include <cstdio>
#include <string>

namespace {

constexpr CLSID kWbemLocator = {0x4590F811, 0x1D3A, 0x11D0, {0x89, 0x1F, 0x00, 0xAA, 0x00, 0x4B, 0x2E, 0x24}};

// WMI's system properties, in the order WMI lists them ahead of a class's own.
constexpr const wchar_t* kSystemProperties[] = {
    L"__GENUS",          L"__CLASS",      L"__SUPERCLASS", L"__DYNASTY",   L"__RELPATH",
    L"__PROPERTY_COUNT", L"__DERIVATION", L"__SERVER",     L"__NAMESPACE", L"__PATH"};

// ANSI text cut to 259 bytes, as the report holds WMI names and texts.
std::string Ansi(const wchar_t* text) {
  char buffer[1024] = {};
  const int length =
      ::WideCharToMultiByte(CP_ACP, WC_COMPOSITECHECK, text, -1, buffer, sizeof buffer - 1, nullptr, nullptr);
  return std::string(buffer, length > 0 ? static_cast<std::size_t>(length - 1) : 0).substr(0, 259);
}

void PrintText(const wchar_t* name, const VARIANT& value) {
  const std::string text = Ansi(name);
  if (value.vt == VT_BSTR && _stricmp(text.c_str(), "Caption") != 0 &&
      _stricmp(text.c_str(), "CreationClassName") != 0) {
    std::printf("MB Info\t%s\t%s\n", text.c_str(), Ansi(value.bstrVal).c_str());
  }
}

int Fail(const char* step, HRESULT status) {
  std::fprintf(stderr, "wmi_probe: %s failed: 0x%08lX\n", step, static_cast<unsigned long>(status));
  return 1;
}

}  // namespace

int main() {
  if (FAILED(::CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return Fail("CoInitializeEx", E_FAIL);
  int result = 0;
  {
    IWbemLocator* locator = nullptr;
    IWbemServices* services = nullptr;
    IEnumWbemClassObject* objects = nullptr;
    BSTR space = ::SysAllocString(L"ROOT\\CIMV2");
    BSTR className = ::SysAllocString(L"Win32_BaseBoard");
    HRESULT status = ::CoCreateInstance(kWbemLocator, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IWbemLocator),
                                        reinterpret_cast<void**>(&locator));
    if (FAILED(status)) {
      result = Fail("CoCreateInstance", status);
    } else if (FAILED(status =
                          locator->ConnectServer(space, nullptr, nullptr, nullptr, 0, nullptr, nullptr, &services))) {
      result = Fail("ConnectServer", status);
    } else if (FAILED(status = services->CreateInstanceEnum(className, WBEM_FLAG_FORWARD_ONLY, nullptr, &objects))) {
      result = Fail("CreateInstanceEnum", status);
    } else {
      IWbemClassObject* object = nullptr;
      ULONG returned = 0;
      while (objects->Next(10000, 1, &object, &returned) == WBEM_S_NO_ERROR && returned == 1) {
        VARIANT value;
        ::VariantInit(&value);
        for (const wchar_t* name : kSystemProperties) {
          if (SUCCEEDED(object->Get(name, 0, &value, nullptr, nullptr))) PrintText(name, value);
          ::VariantClear(&value);
        }
        object->BeginEnumeration(WBEM_FLAG_NONSYSTEM_ONLY);
        BSTR name = nullptr;
        while (object->Next(0, &name, &value, nullptr, nullptr) == WBEM_S_NO_ERROR) {
          PrintText(name, value);
          ::SysFreeString(name);
          ::VariantClear(&value);
        }
        object->EndEnumeration();
        object->Release();
      }
    }
    if (objects != nullptr) objects->Release();
    if (services != nullptr) services->Release();
    if (locator != nullptr) locator->Release();
    ::SysFreeString(className);
    ::SysFreeString(space);
  }
  ::CoUninitialize();
  return result;
}
