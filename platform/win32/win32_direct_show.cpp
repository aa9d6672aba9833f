#include "platform/win32/win32_direct_show.h"

#include <windows.h>
#include <ocidl.h>
#include <strmif.h>

#include <cstddef>
#include <cwchar>

#include "platform/win32/tuner_bus_interface.h"
#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_text.h"

namespace tarnwick::win32 {
namespace {

// {62BE5D10-60EB-11D0-BD3B-00A0C911CE86}
constexpr GUID kClsidSystemDeviceEnum = {0x62BE5D10, 0x60EB, 0x11D0, {0xBD, 0x3B, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};
// {29840822-5B84-11D0-BD3B-00A0C911CE86}
constexpr GUID kIidCreateDevEnum = {0x29840822, 0x5B84, 0x11D0, {0xBD, 0x3B, 0x00, 0xA0, 0xC9, 0x11, 0xCE, 0x86}};
// {55272A00-42CB-11CE-8135-00AA004BB851}
constexpr GUID kIidPropertyBag = {0x55272A00, 0x42CB, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};
// {56A86895-0AD4-11CE-B03A-0020AF0BA770}
constexpr GUID kIidBaseFilter = {0x56A86895, 0x0AD4, 0x11CE, {0xB0, 0x3A, 0x00, 0x20, 0xAF, 0x0B, 0xA7, 0x70}};

// The driver's request record holds a 32-bit pointer, as the 32-bit
// programs lay out BusRequest.
static_assert(sizeof(void*) != 4 || (sizeof(BusRequest) == 12 && offsetof(BusRequest, mode) == 8));

SystemError Status(HRESULT status) { return SystemError{static_cast<std::uint32_t>(status)}; }

GUID ToGuid(const Guid& guid) {
  GUID windows{guid.data1, guid.data2, guid.data3, {}};
  for (std::size_t i = 0; i < guid.data4.size(); ++i) windows.Data4[i] = guid.data4[i];
  return windows;
}

class Win32TunerBus final : public TunerBusControl {
 public:
  explicit Win32TunerBus(ComPtr<ITunerBusControl> control) : control_(std::move(control)) {}
  std::int32_t SetProperty(std::uint32_t property, void* buffer) override {
    return control_.Get()->lpVtbl->SetProperty(control_.Get(), property, buffer);
  }
  std::int32_t GetProperty(std::uint32_t property, void* buffer) override {
    return control_.Get()->lpVtbl->GetProperty(control_.Get(), property, buffer);
  }

 private:
  ComPtr<ITunerBusControl> control_;
};

class Win32Filter final : public DeviceFilter {
 public:
  explicit Win32Filter(ComPtr<IBaseFilter> filter) : filter_(std::move(filter)) {}
  Result<std::unique_ptr<TunerBusControl>> QueryTunerBus() override {
    ComPtr<ITunerBusControl> control;
    const HRESULT status = filter_.Get()->QueryInterface(kIidTunerBusControl, ReceiveInterface(control));
    if (FAILED(status)) return Status(status);
    if (!control) return Status(E_POINTER);
    return std::unique_ptr<TunerBusControl>(std::make_unique<Win32TunerBus>(std::move(control)));
  }

 private:
  ComPtr<IBaseFilter> filter_;
};

class Win32Moniker final : public DeviceMoniker {
 public:
  explicit Win32Moniker(ComPtr<IMoniker> moniker) : moniker_(std::move(moniker)) {}

  Result<std::string> ReadFriendlyName() override {
    ComPtr<IPropertyBag> bag;
    HRESULT status = moniker_.Get()->BindToStorage(nullptr, nullptr, kIidPropertyBag, ReceiveInterface(bag));
    if (FAILED(status)) return Status(status);
    if (!bag) return Status(E_POINTER);
    OwnedVariant name;
    VARIANT* value = name.Receive();
    value->vt = VT_BSTR;
    value->bstrVal = nullptr;
    status = bag.Get()->Read(L"FriendlyName", value, nullptr);
    if (status != S_OK) return Status(status);
    if (name.Get().vt != VT_BSTR || name.Get().bstrVal == nullptr) return Status(DISP_E_TYPEMISMATCH);
    // The name ends at its first zero, as a zero-terminated copy of it would.
    const BSTR text = name.Get().bstrVal;
    return AnsiFromWide(std::wstring_view(text, std::wcslen(text)));
  }

  Result<std::unique_ptr<DeviceFilter>> BindToFilter() override {
    ComPtr<IBaseFilter> filter;
    const HRESULT status = moniker_.Get()->BindToObject(nullptr, nullptr, kIidBaseFilter, ReceiveInterface(filter));
    if (FAILED(status)) return Status(status);
    if (!filter) return Status(E_POINTER);
    return std::unique_ptr<DeviceFilter>(std::make_unique<Win32Filter>(std::move(filter)));
  }

 private:
  ComPtr<IMoniker> moniker_;
};

class Win32MonikerEnumerator final : public MonikerEnumerator {
 public:
  explicit Win32MonikerEnumerator(ComPtr<IEnumMoniker> monikers) : monikers_(std::move(monikers)) {}

  std::unique_ptr<DeviceMoniker> Next() override {
    if (ended_) return nullptr;
    ComPtr<IMoniker> moniker;
    ULONG fetched = 0;
    if (monikers_.Get()->Next(1, moniker.Receive(), &fetched) != S_OK || !moniker) {
      ended_ = true;
      return nullptr;
    }
    return std::make_unique<Win32Moniker>(std::move(moniker));
  }

 private:
  ComPtr<IEnumMoniker> monikers_;
  bool ended_ = false;
};

}  // namespace

std::int32_t Win32DirectShow::ComInitialize() { return ::CoInitialize(nullptr); }

void Win32DirectShow::ComUninitialize() { ::CoUninitialize(); }

Result<std::unique_ptr<MonikerEnumerator>> Win32DirectShow::EnumerateCategory(const Guid& category) {
  ComPtr<ICreateDevEnum> devices;
  HRESULT status = ::CoCreateInstance(kClsidSystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, kIidCreateDevEnum,
                                      ReceiveInterface(devices));
  if (FAILED(status)) return Status(status);
  if (!devices) return Status(E_POINTER);
  ComPtr<IEnumMoniker> monikers;
  const GUID id = ToGuid(category);
  status = devices.Get()->CreateClassEnumerator(id, monikers.Receive(), 0);
  // S_FALSE: the category is empty or not registered, and there is no enumerator.
  if (status != S_OK) return Status(status);
  if (!monikers) return Status(E_POINTER);
  devices.Reset();
  monikers.Get()->Reset();
  return std::unique_ptr<MonikerEnumerator>(std::make_unique<Win32MonikerEnumerator>(std::move(monikers)));
}

}  // namespace tarnwick::win32
