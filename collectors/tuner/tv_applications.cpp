// Installed TV applications of other vendors, found through their own
// install-path entries, with the versions of their program and filter files,
// and the DirectShow runtime: section "Application Info".
#include <array>

#include "collectors/collectors.h"
#include "collectors/tuner/application_group.h"
#include "collectors/tuner/file_stamp.h"

namespace tarnwick {
namespace {

constexpr std::string_view kSection = "Application Info";

// Key suffixes are fixed texts, not derived from the file names: some keep
// the extension, most drop it, and "DVBS.EXE" stands under "DTVR Version ",
// as the support desk's stored reports have them.
constexpr std::array kPvrPlusFiles = {
    ApplicationFile{.name = "honestechTV.exe", .keySuffix = "honestechTV Version ", .separatorAfter = true},
    ApplicationFile{.name = "Scheduled.exe", .keySuffix = "Scheduled.exe Version "},
};

constexpr std::array kHyperMediaFiles = {
    ApplicationFile{.name = "MainPanel.exe", .keySuffix = "MainPanel Version "},
    ApplicationFile{.name = "ATVR.exe", .keySuffix = "ATVR Version "},
    ApplicationFile{.name = "ATVR1.exe", .keySuffix = "ATVR1 Version "},
    ApplicationFile{.name = "ATVR2.exe", .keySuffix = "ATVR2 Version "},
    ApplicationFile{.name = "DTVR.exe", .keySuffix = "DTVR Version "},
    ApplicationFile{.name = "DTVR1.exe", .keySuffix = "DTVR1 Version "},
    ApplicationFile{.name = "DTVR2.exe", .keySuffix = "DTVR2 Version "},
    ApplicationFile{.name = "STVR.exe", .keySuffix = "STVR Version "},
    ApplicationFile{.name = "Scheduled.exe", .keySuffix = "Scheduled.exe Version "},
    ApplicationFile{.name = "Zenthor.ax", .keySuffix = "Zenthor Version "},
    ApplicationFile{.name = "Zenthor2.ax", .keySuffix = "Zenthor2 Version ", .separatorAfter = true},
};

constexpr std::array kDvbtPlusFiles = {
    ApplicationFile{.name = "DTVR.exe", .keySuffix = "DTVR Version "},
    ApplicationFile{.name = "Scheduled.exe", .keySuffix = "Scheduled.exe Version "},
    ApplicationFile{.name = "Zenthor.ax", .keySuffix = "Zenthor Version ", .separatorAfter = true},
};

constexpr std::array kDvbsPlusFiles = {
    ApplicationFile{.name = "DVBS.EXE", .keySuffix = "DTVR Version "},
    ApplicationFile{.name = "Zenthor.ax", .keySuffix = "Zenthor Version ", .separatorAfter = true},
};

constexpr std::array kHyperMediaCenterFiles = {
    ApplicationFile{.name = "MainCenter.exe", .keySuffix = "MainCenter.exe Version "},
    ApplicationFile{.name = "ATVR.exe", .keySuffix = "ATVR Version "},
    ApplicationFile{.name = "ATVR1.exe", .keySuffix = "ATVR1 Version "},
    ApplicationFile{.name = "ATVR2.exe", .keySuffix = "ATVR2 Version "},
    ApplicationFile{.name = "DTVR.exe", .keySuffix = "DTVR Version "},
    ApplicationFile{.name = "DTVR1.exe", .keySuffix = "DTVR1 Version "},
    ApplicationFile{.name = "DTVR2.exe", .keySuffix = "DTVR2 Version "},
    ApplicationFile{.name = "STVR.exe", .keySuffix = "STVR Version "},
    ApplicationFile{.name = "Scheduled.exe", .keySuffix = "Scheduled.exe Version "},
    ApplicationFile{.name = "Zenthor.ax", .keySuffix = "Zenthor Version "},
    ApplicationFile{.name = "Zenthor2.ax", .keySuffix = "Zenthor2 Version ", .separatorAfter = true},
};

constexpr std::array kPowerCinemaFiles = {
    ApplicationFile{.name = "PowerCinema.exe", .keySuffix = "Version ", .separatorAfter = true},
};
constexpr std::array kTotalMediaFiles = {
    ApplicationFile{.name = "TotalMedia.exe", .keySuffix = "Version ", .separatorAfter = true},
};
constexpr std::array kHomeTheaterFiles = {
    ApplicationFile{.name = "Home Theater.exe", .keySuffix = "Version ", .separatorAfter = true},
};
constexpr std::array kHomeTheater3Files = {
    ApplicationFile{.name = "IHT.exe", .keySuffix = "Version ", .separatorAfter = true},
};

// In the order checked. "Cyberlink" with a lower-case l is the label stored
// reports carry.
constexpr std::array<InstalledApplication, 9> kTvApplications = {{
    {.registryKey = "SOFTWARE\\Honestech\\TV Plus\\TVR", .valueName = "AppPath", .label = "PVR PLUS ",
     .pathKey = "PVR PLUS Path", .files = kPvrPlusFiles},
    {.registryKey = "SOFTWARE\\Honestech\\TV Plus\\DTVR", .valueName = "AppPath", .label = "HyperMedia ",
     .pathKey = "HyperMedia Path", .files = kHyperMediaFiles},
    {.registryKey = "SOFTWARE\\Honestech\\DVB Plus\\DTVR", .valueName = "AppPath", .label = "DVB-T PLUS ",
     .pathKey = "DVBT PLUS Path", .files = kDvbtPlusFiles},
    {.registryKey = "SOFTWARE\\Honestech\\DVB Plus\\DVBS", .valueName = "AppPath", .label = "DVB-S PLUS ",
     .pathKey = "DVBS PLUS Path", .files = kDvbsPlusFiles},
    {.registryKey = "SOFTWARE\\Honestech\\TV Center\\DTVR", .valueName = "AppPath", .label = "HyperMedia Center ",
     .pathKey = "HyperMedia Center Path", .files = kHyperMediaCenterFiles},
    {.registryKey = "SOFTWARE\\CyberLink\\PowerCinema", .valueName = "InstallPath", .label = "Cyberlink PowerCinema ",
     .pathKey = "PowerCinema Path", .files = kPowerCinemaFiles},
    {.registryKey = "SOFTWARE\\ArcSoft\\TotalMedia\\2.0", .valueName = "AppPath", .label = "ArcSoft TotalMedia ",
     .pathKey = "TotalMedia Path", .files = kTotalMediaFiles},
    {.registryKey = "SOFTWARE\\InterVideo\\Home Theater", .valueName = "PATH", .label = "InterVideo HomeTheater ",
     .pathKey = "Home Theater Path", .files = kHomeTheaterFiles},
    {.registryKey = "SOFTWARE\\InterVideo\\IHT3", .valueName = "Path", .label = "InterVideo HomeTheater 3 ",
     .pathKey = "IHT3 Path", .files = kHomeTheater3Files},
}};

// The DirectShow runtime in the system folder; skipped when the system
// folder cannot be had.
void ReportDirectShowRuntime(CollectorContext& context) {
  const auto systemFolder = context.platform.system.SystemDirectory();
  if (!systemFolder) return;
  const auto value = FileStampValue(context, *systemFolder + "\\quartz.dll");
  if (!value) return;
  context.report.AddReportEntry(kSection, "DirectX Library", *value);
  context.report.AppendGroupSeparator();
}

}  // namespace

void CollectTvApplications(CollectorContext& context) {
  for (const InstalledApplication& application : kTvApplications) {
    ReportInstalledApplication(context, kSection, application);
  }
  ReportDirectShowRuntime(context);
}

}  // namespace tarnwick
