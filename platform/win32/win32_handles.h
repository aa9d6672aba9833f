// One ownership style for every Windows handle: a move-only owner that closes
// what it holds with the call its kind needs. Closing keeps the thread's last
// error as it was, so a caller may still read the error of the call that
// failed after the owners of earlier handles have gone.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <setupapi.h>
#include <unknwn.h>

#include <utility>

namespace tarnwick::win32 {

template <typename Traits>
class Owned {
 public:
  using Handle = typename Traits::Handle;

  Owned() = default;
  explicit Owned(Handle handle) : handle_(handle) {}
  Owned(const Owned&) = delete;
  Owned& operator=(const Owned&) = delete;
  Owned(Owned&& other) noexcept : handle_(std::exchange(other.handle_, Traits::Null())) {}
  Owned& operator=(Owned&& other) noexcept {
    if (this != &other) Reset(std::exchange(other.handle_, Traits::Null()));
    return *this;
  }
  ~Owned() { Reset(); }

  Handle Get() const { return handle_; }
  bool Valid() const { return Traits::IsValid(handle_); }
  explicit operator bool() const { return Valid(); }
  // For the calls that hand out a handle through a pointer.
  Handle* Receive() {
    Reset();
    return &handle_;
  }
  // Gives up ownership; the caller must close what it gets.
  [[nodiscard]] Handle Release() { return std::exchange(handle_, Traits::Null()); }
  // Closes what it holds, unless it is the handle given: taking the same
  // handle again must not leave the owner holding a closed one.
  void Reset(Handle handle = Traits::Null()) {
    if (Valid() && handle_ != handle) {
      const DWORD lastError = ::GetLastError();
      Traits::Close(handle_);
      ::SetLastError(lastError);
    }
    handle_ = handle;
  }

 private:
  Handle handle_ = Traits::Null();
};

// Kernel objects: some calls give NULL for "none", others (files)
// INVALID_HANDLE_VALUE; both count as no handle, so no caller can pick the
// wrong one.
struct KernelHandleTraits {
  using Handle = HANDLE;
  static Handle Null() { return nullptr; }
  static bool IsValid(Handle handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
  static void Close(Handle handle) { ::CloseHandle(handle); }
};

// Handles whose only "none" is NULL.
template <typename H, auto CloseCall>
struct NullableTraits {
  using Handle = H;
  static Handle Null() { return nullptr; }
  static bool IsValid(Handle handle) { return handle != nullptr; }
  static void Close(Handle handle) { CloseCall(handle); }
};

struct FindTraits {
  using Handle = HANDLE;
  static Handle Null() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(Handle handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
  static void Close(Handle handle) { ::FindClose(handle); }
};

struct DeviceInfoSetTraits {
  using Handle = HDEVINFO;
  static Handle Null() { return INVALID_HANDLE_VALUE; }
  static bool IsValid(Handle handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
  static void Close(Handle handle) { ::SetupDiDestroyDeviceInfoList(handle); }
};

// A COM interface pointer: one reference, given back with Release.
template <typename Interface>
struct ComTraits {
  using Handle = Interface*;
  static Handle Null() { return nullptr; }
  static bool IsValid(Handle handle) { return handle != nullptr; }
  static void Close(Handle handle) { handle->Release(); }
};

// The calling thread's membership of a COM apartment: held after a
// CoInitialize that succeeded (S_OK or S_FALSE, each needs its own
// CoUninitialize), given back with CoUninitialize.
struct ComApartmentTraits {
  using Handle = bool;
  static Handle Null() { return false; }
  static bool IsValid(Handle joined) { return joined; }
  static void Close(Handle) { ::CoUninitialize(); }
};

inline void CloseRegistryKey(HKEY key) { ::RegCloseKey(key); }
inline void UnloadModule(HMODULE module) { ::FreeLibrary(module); }
inline void DestroyWindowHandle(HWND window) { ::DestroyWindow(window); }
inline void FreeBstr(BSTR text) { ::SysFreeString(text); }
inline void DestroySafeArray(SAFEARRAY* array) { ::SafeArrayDestroy(array); }

using KernelHandle = Owned<KernelHandleTraits>;
using OwnedKey = Owned<NullableTraits<HKEY, CloseRegistryKey>>;
using Library = Owned<NullableTraits<HMODULE, UnloadModule>>;
using FindHandle = Owned<FindTraits>;
using OwnedWindow = Owned<NullableTraits<HWND, DestroyWindowHandle>>;
using DeviceInfoSet = Owned<DeviceInfoSetTraits>;
using OwnedBstr = Owned<NullableTraits<BSTR, FreeBstr>>;
using OwnedSafeArray = Owned<NullableTraits<SAFEARRAY*, DestroySafeArray>>;
template <typename Interface>
using ComPtr = Owned<ComTraits<Interface>>;
using ComApartment = Owned<ComApartmentTraits>;

// The out parameter of a COM call that hands out an interface (void**).
template <typename Interface>
void** ReceiveInterface(ComPtr<Interface>& pointer) {
  return reinterpret_cast<void**>(pointer.Receive());
}

// A VARIANT that clears what it holds (a BSTR, an interface) when it goes.
class OwnedVariant {
 public:
  OwnedVariant() { ::VariantInit(&value_); }
  OwnedVariant(const OwnedVariant&) = delete;
  OwnedVariant& operator=(const OwnedVariant&) = delete;
  ~OwnedVariant() { Clear(); }

  VARIANT* Receive() {
    Clear();
    return &value_;
  }
  const VARIANT& Get() const { return value_; }
  void Clear() {
    const DWORD lastError = ::GetLastError();
    ::VariantClear(&value_);
    ::SetLastError(lastError);
  }

 private:
  VARIANT value_;
};

}  // namespace tarnwick::win32
