// The tuner driver's private COM interface, declared slot by slot as the
// driver lays out its table: the three IUnknown operations, one operation
// this program never calls, then SetProperty and GetProperty. Both take a
// 32-bit property number and a caller-owned buffer.
#pragma once

#include <windows.h>

#include <cstddef>

namespace tarnwick::win32 {

// {846A4C4E-76D8-42EC-A333-121F365A4DA8}
inline constexpr GUID kIidTunerBusControl = {0x846A4C4E, 0x76D8, 0x42EC, {0xA3, 0x33, 0x12, 0x1F, 0x36, 0x5A, 0x4D, 0xA8}};

struct ITunerBusControl;

struct ITunerBusControlVtbl {
  HRESULT(STDMETHODCALLTYPE* QueryInterface)(ITunerBusControl* self, REFIID iid, void** object);
  ULONG(STDMETHODCALLTYPE* AddRef)(ITunerBusControl* self);
  ULONG(STDMETHODCALLTYPE* Release)(ITunerBusControl* self);
  void* neverCalled;
  HRESULT(STDMETHODCALLTYPE* SetProperty)(ITunerBusControl* self, ULONG property, void* buffer);
  HRESULT(STDMETHODCALLTYPE* GetProperty)(ITunerBusControl* self, ULONG property, void* buffer);
};

struct ITunerBusControl {
  const ITunerBusControlVtbl* lpVtbl;
  // For ComPtr, which gives a reference back with Release.
  ULONG Release() { return lpVtbl->Release(this); }
};

static_assert(offsetof(ITunerBusControlVtbl, SetProperty) == 4 * sizeof(void*));
static_assert(offsetof(ITunerBusControlVtbl, GetProperty) == 5 * sizeof(void*));

}  // namespace tarnwick::win32
