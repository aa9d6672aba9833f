// The fixed sequence of report calls that the crash test's writer program
// replays and the test models: about 2,000 entries and separators shaped like
// a run, with interleaved device sections (so keys join earlier sections),
// replaced keys, long groups parted by separators, and the ends of the run's
// steps, where changes that waited reach the file.
#pragma once

#include <string>
#include <vector>

#include "app/report_file.h"

namespace tarnwick::crash_sequence {

struct Call {
  bool separator = false;
  bool stepEnd = false;
  std::string section;
  std::string key;
  std::string value;
};

inline std::vector<Call> Calls() {
  std::vector<Call> calls;
  const auto entry = [&calls](std::string section, std::string key, std::string value) {
    calls.push_back({false, false, std::move(section), std::move(key), std::move(value)});
  };
  const auto separator = [&calls] { calls.push_back({true, false, {}, {}, {}}); };
  const auto stepEnd = [&calls] { calls.push_back({false, true, {}, {}, {}}); };

  entry("Tool Version", "Tool Version", "2.5");
  separator();
  stepEnd();
  entry("User Info", "User Name", "Customer");
  entry("User Info", "Administrator", "Yes");
  entry("Windows OS", "Platform", "Microsoft Win32s\n");
  entry("Windows OS", "Version", "3.1");
  entry("Processor", "ProcessorName", "Intel(R) Pentium(R) 4 CPU 3.00GHz");
  entry("Memory", "Total Physical Memory", "2048");
  stepEnd();

  // The device inventory: every device in the last section, some in
  // sections written before it.
  for (int device = 0; device < 160; ++device) {
    const std::string n = std::to_string(device);
    if (device % 23 == 5) {
      separator();
      const std::string label = "Conexant ID " + n;
      entry("DeviceInfo", label, "PCI\\VEN_14F1&DEV_8800&SUBSYS_" + n);
      for (const char* name : {"ProviderName", "NTMPDriver", "DriverDesc", "DriverVersion", "DriverDate"}) {
        entry("DeviceInfo", label + "_" + name, std::string(name) + " of " + n);
      }
      entry("DeviceInfo", label, "PCI\\VEN_14F1 matched again");  // a replaced key
      separator();
    }
    if (device % 6 == 2) {
      entry("Media", "DeviceID" + n, "SYSTEM\\CurrentControlSet\\Enum\\PCI\\VEN_" + n);
      entry("Media", "ProviderName" + n, "Maker");
      entry("Media", "DeviceName" + n, "Capture device " + n);
      entry("Media", "Driver Version" + n, "5.1.2600." + n);
      entry("Media", "DriverDate" + n, "7-1-2008");
    }
    entry("System Device Info", "System ID " + n, "ACPI\\PNP0" + n + "&SUBSYS_00000000");
  }
  stepEnd();
  entry("USBInfo", "USB TYPE", "2.0");
  separator();
  for (int i = 0; i < 12; ++i) entry("USB Info", "DriverDesc" + std::to_string(i), "USB Root Hub========6-21-2006");
  separator();

  // The application inventory: groups of one section, and now and then a
  // fact that belongs to a section written long before.
  for (int group = 0; group < 30; ++group) {
    const std::string g = std::to_string(group);
    for (int file = 0; file < 35; ++file) {
      const std::string f = std::to_string(file);
      entry("Application Info", "App" + g + " File" + f, "1.0." + f + " Date:2008/07/01");
    }
    entry("Application Info", "App" + g + " File0", "1.0.0 Date:2008/07/02");  // replaced
    if (group % 5 == 0) entry("Windows OS", "Checked " + g, "yes");
    separator();
    if (group % 10 == 9) stepEnd();
  }
  entry("MCE Encoder Info", "Encoder", "");
  separator();
  stepEnd();

  // The filter categories, each closed by a separator.
  for (int category = 0; category < 22; ++category) {
    for (int filter = 0; filter < 20; ++filter) {
      const std::string f = std::to_string(filter);
      entry("Filter Name", "Category " + std::to_string(category) + " " + f, "Filter " + f);
    }
    separator();
    stepEnd();
  }
  return calls;
}

inline bool Apply(ReportFile& report, const Call& call) {
  if (call.stepEnd) return report.Persist();
  return call.separator ? report.AppendSeparator() : report.WriteEntry(call.section, call.key, call.value);
}

}  // namespace tarnwick::crash_sequence
