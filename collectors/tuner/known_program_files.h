// The program files looked up in every install folder that the list of
// installed applications declares, in the order the report lists them.
#pragma once

#include <array>
#include <string_view>

namespace tarnwick {

// Relative to an install folder. Rows 1 to 9 are the tuner maker's own
// programs; the rest belong to the TV applications and a few others.
inline constexpr std::array<std::string_view, 32> kKnownProgramFiles = {
    "Quorvel.exe",       "LUMBRA.EXE",           "Tessivane.exe",     "Orvendal.exe",        "Brisquen.exe",
    "Falmoret.exe",      "DORAVIN.EXE",          "Gantheral.exe",     "Sevrinoth.exe",       "honestechTV.exe",
    "MainPanel.exe",     "DTVR\\ATVR.exe",       "DTVR\\ATVR1.exe",   "DTVR\\ATVR2.exe",     "DTVR\\DTVR.exe",
    "DTVR\\DTVR1.exe",   "DTVR\\DTVR2.exe",      "DTVR\\STVR.exe",    "DTVR\\Scheduled.exe", "DTVR\\Zenthor.ax",
    "DTVR\\Zenthor2.ax", "DTVR\\MainCenter.exe", "PowerCinema.exe",   "TotalMedia.exe",      "Home Theater.exe",
    "IHT.exe",           "TVpanel.exe",          "ScheduleAgent.exe", "Device.res",          "Producer.exe",
    "PDR8.exe",          "TMShowBiz.exe",
};

}  // namespace tarnwick
