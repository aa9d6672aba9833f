// The CyberLink encoder pack for Windows Media Center: its folder and the
// versions of its five components, section "MCE Encoder Info".
#include <array>

#include "collectors/collectors.h"
#include "collectors/tuner/application_group.h"

namespace tarnwick {
namespace {

// The separator follows the first component, not the last, as stored
// reports have it.
constexpr std::array kEncoderFiles = {
    ApplicationFile{.name = "CLAudEnc.ax", .keySuffix = "CLAudEnc.ax Version ", .separatorAfter = true},
    ApplicationFile{.name = "CLMP2VMCE.dll", .keySuffix = "CLMP2VMCE.dll Version "},
    ApplicationFile{.name = "CLVidEncMCE.ax", .keySuffix = "CLVidEncMCE.ax Version "},
    ApplicationFile{.name = "MCEMpgMux.ax", .keySuffix = "MCEMpgMux.ax Version "},
    ApplicationFile{.name = "pthreadVC2.dll", .keySuffix = "pthreadVC2.dll Version "},
};

constexpr InstalledApplication kMceEncoder = {.registryKey = "SOFTWARE\\CyberLink\\MCEEncoder",
                                              .valueName = "InstallPath",
                                              .label = "",
                                              .pathKey = "CyberLink",
                                              .files = kEncoderFiles};

}  // namespace

void CollectMceEncoder(CollectorContext& context) {
  ReportInstalledApplication(context, "MCE Encoder Info", kMceEncoder);
}

}  // namespace tarnwick
