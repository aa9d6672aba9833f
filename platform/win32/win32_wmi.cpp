#include "platform/win32/win32_wmi.h"

#include <windows.h>
#include <wbemcli.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/win32/win32_handles.h"

namespace tarnwick::win32 {
namespace {

// CLSID_WbemAdministrativeLocator, spelt out so that no WMI import library
// is needed.
constexpr CLSID kAdministrativeLocator = {0xCB8555CC, 0x9128, 0x11D1, {0xAD, 0x9B, 0x00, 0xC0, 0x4F, 0xD8, 0xFD, 0xFF}};
constexpr long kNameFlags = WBEM_MASK_CONDITION_ORIGIN;  // 0x70
constexpr long kQueryFlags = WBEM_FLAG_RETURN_IMMEDIATELY | WBEM_FLAG_FORWARD_ONLY;

// A wide text in the system's ANSI code page, up to its first zero, whole:
// the collector cuts it to its own limit. Code pages that refuse
// WC_COMPOSITECHECK (UTF-8) convert without it.
std::string AnsiText(const wchar_t* text) {
  if (text == nullptr || *text == L'\0') return std::string();
  DWORD flags = WC_COMPOSITECHECK;
  int length = ::WideCharToMultiByte(CP_ACP, flags, text, -1, nullptr, 0, nullptr, nullptr);
  if (length <= 0) {
    flags = 0;
    length = ::WideCharToMultiByte(CP_ACP, flags, text, -1, nullptr, 0, nullptr, nullptr);
  }
  if (length <= 0) return std::string();
  std::string ansi(static_cast<std::size_t>(length), '\0');
  length = ::WideCharToMultiByte(CP_ACP, flags, text, -1, ansi.data(), length, nullptr, nullptr);
  if (length <= 0) return std::string();
  ansi.resize(static_cast<std::size_t>(length) - 1);  // without its zero
  return ansi;
}

WmiValue ValueOf(const VARIANT& value) {
  switch (value.vt) {
    case VT_BSTR:
      return AnsiText(value.bstrVal);
    case VT_I2:
      return WmiI2{value.iVal};
    case VT_I4:
      return WmiI4{static_cast<std::int32_t>(value.lVal)};
    case VT_BOOL:
      return value.boolVal != VARIANT_FALSE;
    default:
      return WmiNull{};
  }
}

// A failure without a status of its own: a call that reported success and
// handed out nothing, or a names array of another shape than a list of texts.
constexpr HRESULT kUnexpected = E_UNEXPECTED;

std::int32_t FailureStatus(HRESULT status) { return FAILED(status) ? status : kUnexpected; }

}  // namespace

WmiObject ReadWmiObject(IWbemClassObject& object) {
  OwnedSafeArray names;
  const HRESULT status = object.GetNames(nullptr, kNameFlags, nullptr, names.Receive());
  if (FAILED(status) || !names) return WmiObject::FailureStatus(FailureStatus(status));
  // Elements are copied out as BSTRs, so anything but a list of texts would
  // be written past the name it is copied into.
  VARTYPE type = VT_EMPTY;
  LONG lower = 0;
  LONG upper = -1;
  if (::SafeArrayGetDim(names.Get()) != 1 || FAILED(::SafeArrayGetVartype(names.Get(), &type)) || type != VT_BSTR ||
      FAILED(::SafeArrayGetLBound(names.Get(), 1, &lower)) || FAILED(::SafeArrayGetUBound(names.Get(), 1, &upper))) {
    return WmiObject::FailureStatus(kUnexpected);
  }
  std::vector<WmiProperty> properties;
  for (long long index = lower; index <= upper; ++index) {
    LONG element = static_cast<LONG>(index);
    OwnedBstr name;
    if (FAILED(::SafeArrayGetElement(names.Get(), &element, name.Receive()))) continue;
    OwnedVariant value;
    // A value that cannot be read is no text: no entry.
    const bool read = SUCCEEDED(object.Get(name.Get(), 0, value.Receive(), nullptr, nullptr));
    properties.push_back(WmiProperty{AnsiText(name.Get()), read ? ValueOf(value.Get()) : WmiValue{}});
  }
  return properties;
}

void WalkWmiObjects(IEnumWbemClassObject& objects, WmiBoardQuery& query) {
  // GetTickCount, not GetTickCount64, which Windows XP lacks; the unsigned
  // difference stays right when the counter wraps.
  const DWORD started = ::GetTickCount();
  for (int taken = 0; taken < kMostWmiObjects; ++taken) {
    const DWORD elapsed = ::GetTickCount() - started;
    if (elapsed >= kWmiWalkLimitMs) break;
    const auto wait = static_cast<long>(std::min<DWORD>(kWmiObjectWaitMs, kWmiWalkLimitMs - elapsed));
    ComPtr<IWbemClassObject> object;
    ULONG returned = 0;
    const HRESULT status = objects.Next(wait, 1, object.Receive(), &returned);
    // WBEM_S_FALSE at the end, WBEM_S_TIMEDOUT when nothing came in time:
    // both end the walk, and so does a failure.
    if (status != WBEM_S_NO_ERROR) {
      query.walkEnd = status;
      return;
    }
    if (returned != 1 || !object) {
      query.walkEnd = kUnexpected;
      return;
    }
    query.objects.push_back(ReadWmiObject(*object.Get()));
  }
  // Out of time or objects: the walk ends as at a time-out.
  query.walkEnd = WBEM_S_TIMEDOUT;
}

WmiBoardQuery Win32Wmi::QueryBaseBoards() {
  // Declared first, left last: every path gives the apartment back after
  // the WMI objects are released, when CoInitialize joined one.
  const ComApartment apartment(SUCCEEDED(::CoInitialize(nullptr)));
  HRESULT status = ::CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_PKT,
                                          RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
  if (FAILED(status)) return WmiBoardQuery::Failed(WmiFailure::Security, status);

  ComPtr<IWbemLocator> locator;
  status = ::CoCreateInstance(kAdministrativeLocator, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                              __uuidof(IWbemLocator), ReceiveInterface(locator));
  if (FAILED(status) || !locator) return WmiBoardQuery::Failed(WmiFailure::Locator, FailureStatus(status));

  ComPtr<IWbemServices> services;
  const OwnedBstr space(::SysAllocString(L"root\\cimv2"));
  // WBEM_FLAG_CONNECT_USE_MAX_WAIT: a WMI service that is hung or still
  // starting answers within two minutes instead of holding the run.
  status = locator.Get()->ConnectServer(space.Get(), nullptr, nullptr, nullptr, WBEM_FLAG_CONNECT_USE_MAX_WAIT, nullptr,
                                        nullptr, services.Receive());
  if (FAILED(status) || !services) return WmiBoardQuery::Failed(WmiFailure::Connect, FailureStatus(status));

  ComPtr<IEnumWbemClassObject> objects;
  const OwnedBstr language(::SysAllocString(L"WQL"));
  const OwnedBstr text(::SysAllocString(L"SELECT * from Win32_BaseBoard"));
  status = services.Get()->ExecQuery(language.Get(), text.Get(), kQueryFlags, nullptr, objects.Receive());
  if (FAILED(status) || !objects) return WmiBoardQuery::WithoutResultSet(FailureStatus(status));

  WmiBoardQuery query;
  WalkWmiObjects(*objects.Get(), query);
  return query;
}

}  // namespace tarnwick::win32
