#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/case_names.h"
#include "platform/registry_access.h"
#include "platform/replay/machine_file.h"
#include "platform/replay/replay_platform.h"
#include "platform/tuner_bus.h"

namespace tarnwick {
namespace {

const Guid kVideoCapture = *ParseGuid("{860BB310-5D01-11D0-BD3B-00A0C911CE86}");

// The machine tests/machines/tuner-stick: an NT 4.0 computer with the tuner
// stick plugged in, its registry a UTF-16 export.
class TunerStick : public testing::Test {
 protected:
  void SetUp() override {
    const auto error = LoadMachineFolder(std::string(TARNWICK_SOURCE_DIR) + "/tests/machines/tuner-stick", machine_);
    ASSERT_FALSE(error) << Describe(*error);
  }

  ReplayMachine machine_;
  ReplayPlatform platform_{machine_, "/nonexistent/out"};
  Platform& services_ = platform_.Services();
};

TEST_F(TunerStick, RegistryComesFromTheUtf16Export) {
  RegistryAccess registry(services_.registry);
  EXPECT_EQ(registry.ReadKeyText(RegistryRoot::LocalMachine, "Software\\USB2800\\BDA", "RealDSName"), "USB 2861 Device");
  EXPECT_EQ(registry.ReadKeyText(RegistryRoot::CurrentUser, "Control Panel\\International", "sCountry"),
            "\xD6sterreich");
}

TEST_F(TunerStick, OnlyThePlainVersionQueryAnswers) {
  EXPECT_FALSE(services_.system.QueryVersionExtended());
  const auto plain = services_.system.QueryVersionPlain();
  ASSERT_TRUE(plain);
  EXPECT_EQ(plain->build, 1381u);
  EXPECT_EQ(plain->servicePack, "Service Pack 6");
  EXPECT_EQ(plain->suiteMask, 0);  // the plain record has no suite mask
  EXPECT_EQ(services_.system.WindowsDirectory(), "C:\\WINDOWS");
  EXPECT_FALSE(services_.system.SystemDirectory());
  EXPECT_TRUE(services_.libraries.CanLoad("d3d9.dll"));
  EXPECT_FALSE(services_.libraries.CanLoad("D3D10.DLL"));
  EXPECT_EQ(services_.executable.Path(), "D:\\Treiber\\\\Tarnwick.exe");
}

TEST_F(TunerStick, DevicesEndWhereTheListEnds) {
  auto set = services_.devices.OpenPresentDevices();
  ASSERT_TRUE(set);
  EXPECT_TRUE(set->HasDevice(2));
  EXPECT_FALSE(set->HasDevice(3));
  EXPECT_EQ(set->ReadHardwareIds(0)->front(), "USB\\VID_EB1A&PID_2861&REV_0100");
  EXPECT_EQ(set->ReadHardwareIds(1).Error(), kErrorInvalidData);
  EXPECT_EQ(set->ReadHardwareIds(2).Error(), 5u);
  EXPECT_EQ(services_.wmi.QueryBaseBoards().failure, WmiFailure::Locator);
}

TEST_F(TunerStick, FilesCompareWithoutCaseAndBackslashRuns) {
  const std::string path = "c:\\\\PROGRAM FILES\\tv\\\\\\TV.EXE";
  EXPECT_TRUE(services_.system.FileExists(path));
  EXPECT_FALSE(services_.system.FileExists("C:\\Program Files\\TV"));
  const auto block = services_.fileVersions.LoadVersionBlock(path);
  ASSERT_TRUE(block);
  const auto fixed = block->Query("\\");
  ASSERT_TRUE(fixed);
  ASSERT_EQ(fixed->size(), 52u);
  std::uint32_t words[13];
  std::memcpy(words, fixed->data(), sizeof words);
  EXPECT_EQ(words[0], 0xFEEF04BDu);     // signature
  EXPECT_EQ(words[2], 0x00030001u);     // file version 3.1
  EXPECT_EQ(words[3], 0x0000001Bu);     // .0.27
  const auto translation = block->Query("\\VarFileInfo\\Translation");
  ASSERT_TRUE(translation);
  EXPECT_EQ(std::vector<std::uint8_t>(translation->begin(), translation->end()),
            (std::vector<std::uint8_t>{0x09, 0x04, 0xE4, 0x04}));
  const auto modified = services_.fileVersions.LastWriteTime(path);
  ASSERT_TRUE(modified);
  EXPECT_EQ(modified->year, 2009);
  EXPECT_EQ(modified->second, 5);

  // A file without a version resource still exists and has its time stamp.
  EXPECT_FALSE(services_.fileVersions.LoadVersionBlock("C:\\Program Files\\TV\\plain.dll"));
  EXPECT_TRUE(services_.fileVersions.LastWriteTime("C:\\Program Files\\TV\\plain.dll"));
  EXPECT_FALSE(services_.fileVersions.LastWriteTime("C:\\missing.dll"));
}

TEST_F(TunerStick, MonikersBindAsDescribed) {
  auto monikers = services_.directShow.EnumerateCategory(kVideoCapture);
  ASSERT_TRUE(monikers);
  const auto unbound = (*monikers)->Next();
  ASSERT_TRUE(unbound);
  EXPECT_EQ(*unbound->ReadFriendlyName(), "USB 2861 Device #2");
  EXPECT_EQ(unbound->BindToFilter().Status(), kClassNotRegistered);
  const auto stick = (*monikers)->Next();
  ASSERT_TRUE(stick);
  EXPECT_EQ(*stick->ReadFriendlyName(), "USB 2861 Device");
  auto filter = stick->BindToFilter();
  ASSERT_TRUE(filter);
  EXPECT_TRUE((*filter)->QueryTunerBus());
  EXPECT_FALSE((*monikers)->Next());
  EXPECT_FALSE((*monikers)->Next());  // the end stays the end

  const Guid other = *ParseGuid("{FD0A5AF4-B41D-11D2-9C95-00C04F7971E0}");
  EXPECT_EQ(services_.directShow.EnumerateCategory(other).Status(), kSFalse);  // nothing listed
  EXPECT_EQ(services_.directShow.ComInitialize(), kSOk);
  EXPECT_EQ(services_.directShow.ComInitialize(), kSFalse);  // already initialised, as CoInitialize answers
}

// The tuner's private interface, from the stick's second moniker.
std::unique_ptr<TunerBusControl> StickBus(Platform& services) {
  auto monikers = services.directShow.EnumerateCategory(kVideoCapture);
  if (!monikers) return nullptr;
  (*monikers)->Next();
  auto filter = (*monikers)->Next()->BindToFilter();
  if (!filter) return nullptr;
  auto bus = (*filter)->QueryTunerBus();
  return bus ? std::move(*bus) : nullptr;
}

struct BusReadCase {
  const char* name;
  std::uint32_t request;  // 0x01, device, sub-address, count
  bool succeeds;
  std::uint32_t bytes;    // little-endian, when it succeeds
};

class TunerBusReads : public TunerStick, public testing::WithParamInterface<BusReadCase> {};

TEST_P(TunerBusReads, ServeTheConfigurationMemory) {
  const BusReadCase& c = GetParam();
  auto bus = StickBus(services_);
  ASSERT_TRUE(bus);
  std::uint32_t result = 0xCCCCCCCC;
  BusRequest request{c.request, &result, 0};
  const std::int32_t set = bus->SetProperty(0x1007, &request);
  const std::int32_t get = set < 0 ? set : bus->GetProperty(0x1008, &result);
  EXPECT_EQ(get >= 0, c.succeeds);
  if (c.succeeds) {
    EXPECT_EQ(result, c.bytes);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Requests, TunerBusReads,
    testing::Values(BusReadCase{"vendorId", 0x01A00004, true, 0x9567EB1A},
                    BusReadCase{"mceItem", 0x01A01604, true, 0x00000001},
                    BusReadCase{"lastByteOnly", 0x01A01901, true, 0xCCCCCC00},
                    BusReadCase{"acrossTheEnd", 0x01A01804, false, 0},
                    BusReadCase{"pastTheEnd", 0x01A03804, false, 0},
                    BusReadCase{"failingOffset", 0x01A00404, false, 0},
                    BusReadCase{"otherDevice", 0x01B00004, false, 0},
                    BusReadCase{"notARead", 0x02A00004, false, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TunerStick, CancelledRequestReadsNothing) {
  auto bus = StickBus(services_);
  ASSERT_TRUE(bus);
  std::uint32_t result = 0;
  BusRequest request{0x01A00004, &result, 0};
  ASSERT_GE(bus->SetProperty(0x1007, &request), 0);
  request.request = 0;
  ASSERT_GE(bus->SetProperty(0x1007, &request), 0);
  EXPECT_LT(bus->GetProperty(0x1008, &result), 0);
  EXPECT_LT(bus->GetProperty(0x1027, &result), 0);  // properties the replay does not know
}

TEST(ReplayPlatform, EmptyMachineFindsNothing) {
  ReplayMachine machine;
  ReplayPlatform platform(machine, "/nonexistent/out");
  Platform& p = platform.Services();
  EXPECT_FALSE(p.system.QueryVersionExtended());
  EXPECT_NE(p.system.QueryVersionPlain().Error(), 0u);
  EXPECT_FALSE(p.memoryPower.QueryMemory());
  EXPECT_FALSE(p.users.UserName());
  EXPECT_FALSE(p.users.LocalGroups("anyone"));
  EXPECT_FALSE(p.devices.OpenPresentDevices());
  EXPECT_EQ(p.waveOutput.DeviceCount(), 0u);
  EXPECT_EQ(p.wmi.QueryBaseBoards().failure, WmiFailure::Security);
  EXPECT_EQ(p.executable.Path(), "C:\\Tarnwick\\Tarnwick.exe");
  EXPECT_EQ(platform.Files().Drives().HostPath("C:\\SystemInfo.ini"), "/nonexistent/out/drive_c/SystemInfo.ini");
  EXPECT_EQ(platform.Files().Drives().HostPath("d:\\x"), "/nonexistent/out/drive_d/x");
}

TEST(ReplayPlatform, WaveDevicesAndWmiAnswerFromTheFacts) {
  ReplayMachine machine;
  ASSERT_FALSE(ReadMachineFile(R"({"waveOut": [{"capsFail": true}, {"name": "AC97", "manufacturerId": 2}],
      "wmi": {"resultSet": false, "baseBoards": [[["Product", "A8V"]]]}, "version": {"major": 6}})",
                               "machine.json", machine.facts));
  ReplayPlatform platform(machine, "/nonexistent/out");
  Platform& p = platform.Services();
  EXPECT_EQ(p.waveOutput.DeviceCount(), 2u);
  EXPECT_FALSE(p.waveOutput.Capabilities(0));
  EXPECT_EQ(p.waveOutput.Capabilities(1)->name, "AC97");
  EXPECT_FALSE(p.waveOutput.Capabilities(2));
  const WmiBoardQuery query = p.wmi.QueryBaseBoards();
  EXPECT_EQ(query.failure, WmiFailure::None);
  EXPECT_FALSE(query.resultSet);
  // "extended" left out: both queries answer.
  EXPECT_EQ(p.system.QueryVersionExtended()->major, 6u);
  EXPECT_EQ(p.system.QueryVersionPlain()->major, 6u);
}

}  // namespace
}  // namespace tarnwick
