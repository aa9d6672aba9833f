// The card of a report and the diff of two reports of one customer.
#include <gtest/gtest.h>

#include <sstream>

#include "desk/desk_output.h"
#include "desk/report_diff.h"
#include "desk/report_summary.h"
#include "tests/desk_test_reports.h"

namespace tarnwick::desk {
namespace {

using testing::Edited;
using testing::kCleanReport;

TEST(DeskSummary, CardOfTheCleanReport) {
  const Summary summary = Summarise(testing::MustRead(testing::WithCrLf(Edited(
      kCleanReport, {{"[Filter Name]\n", "[Filter Name]\nNETWORK TUNER 0=BDA Tuner\n"},
                     {"Empia ID 3_DriverDate=3-14-2008\n", "Empia ID 3_DriverDate=3-14-2008\nEmpia ID 3_NTMPDriver=x.sys\n"}}))));
  EXPECT_EQ(summary.windows, "Windows XP");
  EXPECT_EQ(summary.version, "5.1 build 2600");
  EXPECT_EQ(summary.edition, "Microsoft Windows XP Professional");
  EXPECT_EQ(summary.processor, "AMD Sempron(tm) Processor 2800+, 1.761GHz");
  EXPECT_EQ(summary.memory, "1023 MB");
  EXPECT_EQ(summary.user, "Anna");
  EXPECT_EQ(summary.administrator, true);
  ASSERT_EQ(summary.tuners.size(), 1u);  // the driver detail keys are no devices
  const TunerDevice& tuner = summary.tuners[0];
  EXPECT_EQ(tuner.group + "|" + tuner.number + "|" + tuner.hardwareId + "|" + tuner.provider + "|" + tuner.version + "|" +
                tuner.date,
            "Empia|3|USB\\VID_EB1A&PID_2861|Tarnwick|5.2.1.0|3-14-2008");
  ASSERT_EQ(summary.tunerSettings.size(), 3u);
  EXPECT_EQ(summary.tunerSettings[1].name + "=" + summary.tunerSettings[1].value, "Video Standard=PAL");
  EXPECT_EQ(summary.usbType, "2.0");
  ASSERT_EQ(summary.applications.size(), 1u);  // the path entry is no application
  EXPECT_EQ(summary.applications[0].name + "=" + summary.applications[0].value, "Cyberlink PowerCinema Version=5.0.1");
  EXPECT_EQ(summary.captureFilters, std::vector<std::string>{"USB 2861 Device"});
  EXPECT_EQ(summary.bdaFilters, std::vector<std::string>{"BDA Tuner"});
}

TEST(DeskSummary, CardOfALinuxReport) {
  const std::string text = Edited(kCleanReport, {{"[Filter Name]",
                                                 "[Linux OS]\nDistribution=Debian GNU/Linux 12 (bookworm)\n"
                                                 "Distribution ID=debian 12\nKernel=6.1.0-18-amd64\n"
                                                 "Architecture=x86_64\nCaptured Tree=/srv/anna\n"
                                                 "Facts Of This Computer=User Info, SystemInfo\n[Filter Name]"}});
  const auto card = [](const std::string& report) {
    std::ostringstream out;
    const Report read = testing::MustRead(testing::WithCrLf(report));
    PrintCard(out, read, Summarise(read), {}, OutputStyle{});
    return out.str() + ReportJson(read, Summarise(read), {}, false)["summary"]["linux"].dump();
  };
  EXPECT_NE(card(text).find("  Distribution    Debian GNU/Linux 12 (bookworm)\n  Kernel          6.1.0-18-amd64\n"
                            "  Architecture    x86_64\n"
                            "  Captured tree   /srv/anna; User Info, SystemInfo read where the program ran\n"),
            std::string::npos)
      << card(text);
  EXPECT_NE(card(text).find(R"j({"distribution":"Debian GNU/Linux 12 (bookworm)","distribution_id":"debian 12",)j"
                            R"("kernel":"6.1.0-18-amd64","architecture":"x86_64","captured_tree":"/srv/anna",)"
                            R"("facts_of_this_computer":"User Info, SystemInfo"})"),
            std::string::npos);
  // A live run names no tree; a report without a distribution shows its id.
  const std::string live =
      card(Edited(text, {{"Distribution=Debian GNU/Linux 12 (bookworm)\n", ""}, {"Captured Tree=/srv/anna\n", ""}}));
  EXPECT_NE(live.find("  Distribution    debian 12\n  Kernel"), std::string::npos) << live;
  EXPECT_EQ(live.find("Captured tree"), std::string::npos);
}

struct DiffCase {
  const char* name;
  std::vector<std::pair<std::string, std::string>> oldEdits;
  std::vector<std::pair<std::string, std::string>> newEdits;
  std::vector<std::string> changes;  // "+section/key=value", "-…", "~section/key=old>new"
  std::vector<std::string> findings;  // "+id" appeared, "-id" went
};

class DeskDiff : public ::testing::TestWithParam<DiffCase> {};

TEST_P(DeskDiff, ChangesBySection) {
  const DiffCase& row = GetParam();
  const Report before = testing::MustRead(testing::WithCrLf(Edited(kCleanReport, row.oldEdits)));
  const Report after = testing::MustRead(testing::WithCrLf(Edited(kCleanReport, row.newEdits)));
  const auto ids = [](std::vector<std::string> list) {
    std::vector<Finding> findings;
    for (std::string& id : list) findings.push_back({.id = id, .severity = "", .title = "", .evidence = {}, .advice = ""});
    return findings;
  };
  std::vector<Finding> oldFindings, newFindings;
  for (const std::string& change : row.findings) {
    (change[0] == '+' ? oldFindings : newFindings).push_back(ids({"kept"})[0]);
    (change[0] == '+' ? newFindings : oldFindings).push_back(ids({change.substr(1)})[0]);
  }
  const ReportDiff diff = DiffReports(before, after, oldFindings, newFindings);
  std::vector<std::string> changes;
  for (const auto& e : diff.added) changes.push_back("+" + e.section + "/" + e.key + "=" + e.value);
  for (const auto& e : diff.removed) changes.push_back("-" + e.section + "/" + e.key + "=" + e.value);
  for (const auto& e : diff.changed) changes.push_back("~" + e.section + "/" + e.key + "=" + e.oldValue + ">" + e.newValue);
  EXPECT_EQ(changes, row.changes);
  EXPECT_EQ(diff.EntriesDiffer(), !row.changes.empty());
  std::vector<std::string> findings;
  for (const auto& f : diff.findingsNew) findings.push_back("+" + f.id);
  for (const auto& f : diff.findingsGone) findings.push_back("-" + f.id);
  EXPECT_EQ(findings, row.findings);
}

const DiffCase kDiffs[] = {
    {"Same", {}, {}, {}, {}},
    {"OrderIgnored", {}, {{"MCE Item=No\nVideo Standard=PAL\n", "Video Standard=PAL\nMCE Item=No\n"}}, {}, {}},
    {"KeyCaseIgnored", {}, {{"USB TYPE=2.0", "usb type=2.0"}}, {}, {}},
    {"DriverUpdated", {}, {{"5.2.1.0", "5.3.0.0"}, {"Empia ID 3_ProviderName=Tarnwick\n", ""}},
     {"-DeviceInfo/Empia ID 3_ProviderName=Tarnwick", "~DeviceInfo/Empia ID 3_DriverVersion=5.2.1.0>5.3.0.0"}, {}},
    {"AddedInNewOrder",
     {},
     {{"[Filter Name]\n", "[Filter Name]\nNETWORK TUNER 0=BDA\n"}, {"Locale=00000407\n", "Locale=00000407\nCountry=DE\n"}},
     {"+SystemInfo/Country=DE", "+Filter Name/NETWORK TUNER 0=BDA"}, {}},
    {"FindingsCameAndWent", {}, {}, {}, {"+old-directx", "-run-incomplete"}},
};

INSTANTIATE_TEST_SUITE_P(Table, DeskDiff, ::testing::ValuesIn(kDiffs),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tarnwick::desk
