// The one ownership style: what counts as no handle, and closing that keeps
// the error of the call that failed.
#include <windows.h>

#include <gtest/gtest.h>

#include "platform/registry_access.h"
#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_registry.h"

namespace tarnwick::win32 {
namespace {

TEST(Owned, NullAndInvalidHandleValueAreBothNoKernelHandle) {
  EXPECT_FALSE(KernelHandle(nullptr));
  EXPECT_FALSE(KernelHandle(INVALID_HANDLE_VALUE));
  EXPECT_FALSE(KernelHandle(::CreateFileA("C:\\no-such-folder\\x", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr)));
  KernelHandle event(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
  EXPECT_TRUE(event);
  KernelHandle moved = std::move(event);
  EXPECT_TRUE(moved);
  EXPECT_FALSE(event);  // NOLINT: a moved-from owner holds nothing
}

TEST(Owned, ClosingKeepsTheLastError) {
  KernelHandle event(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
  ASSERT_TRUE(event);
  {
    OwnedKey key;
    ASSERT_EQ(::RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software", 0, KEY_READ, key.Receive()), ERROR_SUCCESS);
    ::SetLastError(ERROR_INVALID_DATA);
  }
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));
  ::SetLastError(ERROR_INSUFFICIENT_BUFFER);
  event.Reset();
  EXPECT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

TEST(Owned, ResetWithTheHandleItHoldsKeepsItOpen) {
  KernelHandle event(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
  ASSERT_TRUE(event);
  const HANDLE raw = event.Get();
  event.Reset(raw);
  DWORD flags = 0;
  EXPECT_TRUE(::GetHandleInformation(raw, &flags));  // still open
  EXPECT_TRUE(::SetEvent(raw));
  event.Reset();
  EXPECT_FALSE(::GetHandleInformation(raw, &flags));  // closed once, by its owner
}

TEST(Win32Registry, KeysAreOwnedUntilTheSharedLayerClosesThem) {
  Win32Registry backend;
  const RegistryAccess registry(backend);
  {
    const RegistryKey software = registry.Open(RegistryRoot::LocalMachine, "Software");
    const RegistryKey again = registry.Open(RegistryRoot::LocalMachine, "SOFTWARE", OpenAccess::Read);
    ASSERT_TRUE(software && again);
    EXPECT_EQ(backend.OpenKeyCount(), 2u);
    EXPECT_TRUE(registry.SubkeyName(software, 0).has_value());
  }
  EXPECT_EQ(backend.OpenKeyCount(), 0u);
  EXPECT_FALSE(backend.SubkeyName(12345, 0).has_value());  // an id that is not open reads nothing
  EXPECT_FALSE(backend.QueryValue(12345, "x").has_value());
}

}  // namespace
}  // namespace tarnwick::win32
