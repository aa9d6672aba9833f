// filter_probe.exe: lists the friendly names of the filters in the 22
// DirectShow categories the report lists, written apart from the program's
// own layers (the system's named category identifiers, plain COM calls), as
// the report's "Filter Name" lines: label, number, '=', name. What each
// category answered goes to standard error.
#include <windows.h>
#include <initguid.h>
#include <dshow.h>

#include <cstdio>

namespace {

struct Category {
  const char* label;
  const GUID* id;          // a named identifier of the system headers
  const wchar_t* idText;   // or its text, where the headers name none
};

const Category kCategories[] = {
    {"NETWORK PROVIDER ", nullptr, L"{71985F4B-1CA1-11D3-9CC8-00C04F7971E0}"},
    {"NETWORK TUNER ", nullptr, L"{71985F48-1CA1-11D3-9CC8-00C04F7971E0}"},
    {"RECEIVER COMPONENT ", nullptr, L"{FD0A5AF4-B41D-11D2-9C95-00C04F7971E0}"},
    {"NETWORK EPG ", nullptr, L"{71985F49-1CA1-11D3-9CC8-00C04F7971E0}"},
    {"RANSPORT INFORMATION ", nullptr, L"{A2E3074F-6C3D-11D3-B653-00C04F79498E}"},
    {"WDM Streaming Capture Devices ", &AM_KSCATEGORY_CAPTURE, nullptr},
    {"WDM Streaming Crossbar Devices ", &AM_KSCATEGORY_CROSSBAR, nullptr},
    {"WDM Streaming Rendering Devices ", &AM_KSCATEGORY_RENDER, nullptr},
    {"WDM Streaming Tee/Splitter Devices ", &AM_KSCATEGORY_SPLITTER, nullptr},
    {"WDM Streaming TV Audio Devices ", &AM_KSCATEGORY_TVAUDIO, nullptr},
    {"WDM Streaming TV Tuner Devices ", &AM_KSCATEGORY_TVTUNER, nullptr},
    {"WDM Streaming VBI Codecs ", &AM_KSCATEGORY_VBICODEC, nullptr},
    {"ActiveMovie Filter Categories ", &CLSID_ActiveMovieCategories, nullptr},
    {"Video Capture Sources ", &CLSID_VideoInputDeviceCategory, nullptr},
    {"Video Compressors ", &CLSID_VideoCompressorCategory, nullptr},
    {"Audio Capture Sources ", &CLSID_AudioInputDeviceCategory, nullptr},
    {"Audio Compressors ", &CLSID_AudioCompressorCategory, nullptr},
    {"Audio Renderers ", &CLSID_AudioRendererCategory, nullptr},
    {"Device Control Filters ", &CLSID_DeviceControlCategory, nullptr},
    {"DirectShow Filters ", &CLSID_LegacyAmFilterCategory, nullptr},
    {"External Renderers ", &CLSID_TransmitCategory, nullptr},
    {"Midi Renderers ", &CLSID_MidiRendererCategory, nullptr},
};

void List(ICreateDevEnum* devices, const Category& category) {
  GUID id;
  if (category.id != nullptr) {
    id = *category.id;
  } else if (FAILED(::CLSIDFromString(category.idText, &id))) {
    std::fprintf(stderr, "%s: bad identifier\n", category.label);
    return;
  }
  IEnumMoniker* monikers = nullptr;
  const HRESULT status = devices->CreateClassEnumerator(id, &monikers, 0);
  if (status != S_OK) {
    std::fprintf(stderr, "%s: 0x%08lx, no enumerator\n", category.label, status);
    return;
  }
  int counter = 0;
  int skipped = 0;
  IMoniker* moniker = nullptr;
  while (monikers->Next(1, &moniker, nullptr) == S_OK) {
    IPropertyBag* bag = nullptr;
    if (SUCCEEDED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, reinterpret_cast<void**>(&bag)))) {
      VARIANT name;
      ::VariantInit(&name);
      if (bag->Read(L"FriendlyName", &name, nullptr) == S_OK && name.vt == VT_BSTR) {
        char whole[4096] = {};
        ::WideCharToMultiByte(CP_ACP, 0, name.bstrVal, -1, whole, sizeof whole - 1, nullptr, nullptr);
        // Longer names are cut to 79 bytes.
        std::printf("%s%d=%.79s\n", category.label, counter++, whole);
      } else {
        ++skipped;
      }
      ::VariantClear(&name);
      bag->Release();
    } else {
      ++skipped;
    }
    moniker->Release();
  }
  monikers->Release();
  std::fprintf(stderr, "%s: S_OK, %d named, %d without a name\n", category.label, counter, skipped);
}

}  // namespace

int main() {
  if (FAILED(::CoInitialize(nullptr))) return 2;
  ICreateDevEnum* devices = nullptr;
  if (FAILED(::CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                reinterpret_cast<void**>(&devices)))) {
    ::CoUninitialize();
    return 3;
  }
  for (const Category& category : kCategories) List(devices, category);
  devices->Release();
  ::CoUninitialize();
  return 0;
}
