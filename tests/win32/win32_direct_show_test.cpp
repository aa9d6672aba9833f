// The DirectShow layer against Wine's system device enumerator, with a fake
// tuner filter registered in the video capture category: the search, the
// driver's private interface and the balance of COM over the run's steps.
#include <windows.h>
#include <dshow.h>

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "app/report_dialog.h"
#include "app/result_list.h"
#include "collectors/collectors.h"
#include "platform/memory_registry.h"
#include "platform/win32/win32_direct_show.h"
#include "platform/win32/win32_platform.h"

namespace tarnwick::win32 {
namespace {

constexpr GUID kIidPrivate = {0x846A4C4E, 0x76D8, 0x42EC, {0xA3, 0x33, 0x12, 0x1F, 0x36, 0x5A, 0x4D, 0xA8}};
// Classes of the fake filters, registered for this process only; the
// category lists them in this order.
constexpr GUID kPlainClass = {0x5A1B2C3D, 0x0001, 0x4E5F, {0x80, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77}};
constexpr GUID kTunerClass = {0x5A1B2C3D, 0x0002, 0x4E5F, {0x80, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77}};

// The driver's table as a C++ interface: after IUnknown one operation this
// program never calls, then SetProperty and GetProperty.
struct DriverTable : IUnknown {
  virtual HRESULT STDMETHODCALLTYPE NeverCalled() = 0;
  virtual HRESULT STDMETHODCALLTYPE SetProperty(ULONG property, void* buffer) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetProperty(ULONG property, void* buffer) = 0;
};

// A filter object; the tuner one also offers the private interface over a
// 58-byte configuration memory, so that the read at 56 runs past its end,
// and records every call made on it.
class FakeFilter final : public DriverTable {
 public:
  FakeFilter(bool tuner, std::vector<std::string>& calls) : tuner_(tuner), calls_(calls) {
    eeprom_[22] = 0x01;
    eeprom_[56] = 0x10;
  }

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    *object = nullptr;
    // The layer calls nothing on the filter past IUnknown.
    if (iid == IID_IUnknown || iid == IID_IBaseFilter || (tuner_ && iid == kIidPrivate)) {
      *object = static_cast<DriverTable*>(this);
    } else {
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE NeverCalled() override {
    calls_.push_back("never called");
    return E_FAIL;
  }
  HRESULT STDMETHODCALLTYPE SetProperty(ULONG property, void* buffer) override {
    BusRequest request;
    std::memcpy(&request, buffer, sizeof request);
    char line[64];
    std::snprintf(line, sizeof line, "set %lx %08x mode %u", property, request.request, request.mode);
    calls_.push_back(line);
    pending_ = request.request;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetProperty(ULONG property, void* buffer) override {
    char line[32];
    std::snprintf(line, sizeof line, "get %lx", property);
    calls_.push_back(line);
    if (property != 0x1008) return E_NOTIMPL;
    const unsigned offset = (pending_ >> 8) & 0xFF;
    const unsigned count = pending_ & 0xFF;
    if ((pending_ >> 16) != 0x01A0 || offset + count > sizeof eeprom_) return E_FAIL;
    std::memcpy(buffer, eeprom_ + offset, count);
    return S_OK;
  }

 private:
  bool tuner_;
  std::vector<std::string>& calls_;
  ULONG references_ = 1;
  std::uint32_t pending_ = 0;
  unsigned char eeprom_[58] = {};
};

class FakeFactory final : public IClassFactory {
 public:
  FakeFactory(bool tuner, std::vector<std::string>& calls) : tuner_(tuner), calls_(calls) {}
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    *object = (iid == IID_IUnknown || iid == IID_IClassFactory) ? this : nullptr;
    return *object != nullptr ? S_OK : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    *object = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    auto* filter = new FakeFilter(tuner_, calls_);
    const HRESULT status = filter->QueryInterface(iid, object);
    filter->Release();
    return status;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

 private:
  bool tuner_;
  std::vector<std::string>& calls_;
};

// Report files that keep nothing, so the test leaves C:\ alone; the list's
// rows are what it looks at.
class NoFiles final : public ReportFiles {
 public:
  std::optional<std::string> Read(std::string_view) override { return std::nullopt; }
  std::optional<std::uint64_t> Size(std::string_view) override { return std::nullopt; }
  bool Append(std::string_view, std::string_view) override { return true; }
  bool ReplaceAtomically(std::string_view, std::string_view) override { return true; }
  bool Delete(std::string_view) override { return false; }
  bool Copy(std::string_view, std::string_view) override { return true; }
};

// Registers the fake filters with Wine's filter mapper in the video capture
// category for the test's lifetime, with COM initialised around it.
class FakeTunerFilters : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(::CoInitialize(nullptr), S_OK);  // nothing before this test left COM initialised
    ASSERT_EQ(::CoRegisterClassObject(kTunerClass, &tunerFactory_, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                      &tunerCookie_),
              S_OK);
    ASSERT_EQ(::CoRegisterClassObject(kPlainClass, &plainFactory_, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                      &plainCookie_),
              S_OK);
    ASSERT_EQ(::CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                                 reinterpret_cast<void**>(&mapper_)),
              S_OK);
  }
  void TearDown() override {
    for (const GUID& filter : registered_) {
      mapper_->UnregisterFilter(&CLSID_VideoInputDeviceCategory, nullptr, filter);
    }
    if (mapper_ != nullptr) mapper_->Release();
    ::CoRevokeClassObject(plainCookie_);
    ::CoRevokeClassObject(tunerCookie_);
    ::CoUninitialize();
    // Every initialisation made since SetUp was undone: COM starts afresh.
    EXPECT_EQ(::CoInitialize(nullptr), S_OK);
    ::CoUninitialize();
  }

  void Register(const GUID& filter, const wchar_t* name) {
    REGFILTER2 description{};
    description.dwVersion = 1;
    description.dwMerit = MERIT_DO_NOT_USE;
    ASSERT_EQ(mapper_->RegisterFilter(filter, name, nullptr, &CLSID_VideoInputDeviceCategory, nullptr, &description),
              S_OK);
    registered_.push_back(filter);
  }

  // The tuner step and the 22 category steps of the run, through the Win32
  // layer, with the driver settings in a registry of their own.
  std::vector<ReportEntry> RunDirectShowSteps() {
    Win32Platform windows;
    Platform& s = windows.Services();
    NoFiles files;
    Platform platform{registry_,   s.system, s.memoryPower, s.users,        s.libraries,  s.devices,
                      s.waveOutput, s.wmi,   s.directShow,  s.fileVersions, s.executable, files};
    const CollectionSteps steps{{CollectTunerSettings}, {}, CollectFilterCategory};
    RecordedRows rows;
    std::ostringstream diagnostics;
    ReportDialog dialog(platform, rows, diagnostics, steps);
    dialog.RunCollection();
    return rows.Rows();
  }

  std::vector<std::string> calls_;
  FakeFactory tunerFactory_{true, calls_};
  FakeFactory plainFactory_{false, calls_};
  DWORD tunerCookie_ = 0;
  DWORD plainCookie_ = 0;
  IFilterMapper2* mapper_ = nullptr;
  std::vector<GUID> registered_;
  MemoryRegistry registry_;
};

std::vector<ReportEntry> SectionRows(const std::vector<ReportEntry>& rows, std::string_view section) {
  std::vector<ReportEntry> found;
  for (const ReportEntry& row : rows) {
    if (row.section == section) found.push_back(row);
  }
  return found;
}

TEST_F(FakeTunerFilters, TheDriversInterfaceIsFoundAndRead) {
  Register(kTunerClass, L"USB 2861 Device #1");
  registry_.SetText(RegistryRoot::LocalMachine, "Software\\USB2800\\BDA", "RealDSName", "USB 2861 Device");
  registry_.SetNumber(RegistryRoot::LocalMachine, "System\\CurrentControlSet\\Services\\USB28xxBGA\\Settings\\OEM",
                      "IsMCE", 255);

  const auto rows = RunDirectShowSteps();
  EXPECT_EQ(SectionRows(rows, "Empia Data"), (std::vector<ReportEntry>{{"Empia Data", "MCE Item", "Yes"},
                                                                       {"Empia Data", "Video Standard", "Data Error"},
                                                                       {"Empia Data", "Reg-MCE", "ff"}}));
  EXPECT_EQ(calls_, (std::vector<std::string>{"get 1027", "get 1028", "get 101c", "set 1007 01a01604 mode 0",
                                              "get 1008", "set 1007 01a03804 mode 0", "get 1008",
                                              "set 1007 00000000 mode 0"}));
  // The fake filter is listed with the category's other sources.
  bool listed = false;
  for (const ReportEntry& row : SectionRows(rows, "Filter Name")) {
    listed = listed || (row.key.starts_with("Video Capture Sources ") && row.value == "USB 2861 Device #1");
  }
  EXPECT_TRUE(listed);
}

TEST_F(FakeTunerFilters, OnlyTheFirstFoundFilterIsAskedForTheInterface) {
  Register(kPlainClass, L"USB 2880 Device");
  Register(kTunerClass, L"USB 2880 Device #2");
  const auto rows = RunDirectShowSteps();
  EXPECT_TRUE(SectionRows(rows, "Empia Data").empty());
  EXPECT_TRUE(calls_.empty());
}

TEST(Win32DirectShow, UnregisteredCategoryAnswersFalseWithoutEnumerator) {
  Win32DirectShow directShow;
  ASSERT_EQ(directShow.ComInitialize(), S_OK);
  const Guid unregistered{0x5A1B2C3D, 0x00FF, 0x4E5F, {0x80, 0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77}};
  EXPECT_EQ(directShow.EnumerateCategory(unregistered).Status(), S_FALSE);
  {
    // Wine's own filters: every one of them has a name.
    auto filters = directShow.EnumerateCategory(*ParseGuid("{083863F1-70DE-11D0-BD40-00A0C911CE86}"));
    ASSERT_TRUE(filters);
    int named = 0;
    while (auto moniker = (*filters)->Next()) named += moniker->ReadFriendlyName() ? 1 : 0;
    EXPECT_GT(named, 0);
    EXPECT_FALSE((*filters)->Next());
  }
  directShow.ComUninitialize();
}

}  // namespace
}  // namespace tarnwick::win32
