// Runs one collector against a computer described as machine.json and
// registry.reg texts, through the replay layer, and gives what it wrote: the
// list rows, the report file and the diagnostics.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "app/report_file.h"
#include "collectors/collector_context.h"
#include "collectors/report_writer.h"
#include "platform/registry_access.h"
#include "platform/replay/machine_file.h"
#include "platform/replay/reg_file.h"
#include "platform/replay/replay_platform.h"

namespace tarnwick::testing_support {

struct CollectorOutcome {
  std::vector<ReportEntry> rows;
  std::string report;  // empty when no file was written
  std::string diagnostics;
};

class ReportRecorder final : public ReportWriter {
 public:
  explicit ReportRecorder(ReportFiles& files) : file_(files) {}
  void AddReportEntry(std::string_view section, std::string_view key, std::string_view value) override {
    file_.WriteEntry(section, key, value);
    file_.Persist();
    rows.push_back({std::string(section), std::string(key), std::string(value)});
  }
  void AppendGroupSeparator() override {
    file_.AppendSeparator();
    file_.Persist();
  }
  std::vector<ReportEntry> rows;

 private:
  ReportFile file_;
};

template <typename Collect>
CollectorOutcome RunCollector(Collect collect, std::string_view machineJson, std::string_view registryReg = "") {
  CollectorOutcome outcome;
  ReplayMachine machine;
  if (!registryReg.empty()) {
    const auto error = ReadRegFile(registryReg, "registry.reg", machine.registry);
    EXPECT_FALSE(error.has_value()) << (error ? Describe(*error) : "");
  }
  const auto error = ReadMachineFile(machineJson, "machine.json", machine.facts);
  EXPECT_FALSE(error.has_value()) << (error ? Describe(*error) : "");

  std::string folder = (std::filesystem::temp_directory_path() / "tarnwick-collector-XXXXXX").string();
  if (::mkdtemp(folder.data()) == nullptr) {
    ADD_FAILURE() << "no temporary folder";
    return outcome;
  }
  {
    ReplayPlatform platform(machine, folder);
    EXPECT_FALSE(platform.CreateOutputFolders().has_value());
    ReportRecorder recorder(platform.Services().files);
    RegistryAccess registry(platform.Services().registry);
    CollectionState state;
    std::ostringstream diagnostics;
    CollectorContext context{recorder, registry, platform.Services(), diagnostics, state};
    collect(context);
    outcome.rows = recorder.rows;
    outcome.report = platform.Services().files.Read(std::string(kReportPath)).value_or("");
    outcome.diagnostics = diagnostics.str();
  }
  std::filesystem::remove_all(folder);
  return outcome;
}

// (key, value) pairs, as a section's entries are listed.
using Entries = std::vector<std::pair<std::string, std::string>>;

inline Entries KeysAndValues(const std::vector<ReportEntry>& rows) {
  Entries entries;
  for (const auto& row : rows) entries.emplace_back(row.key, row.value);
  return entries;
}

// The report text of one section: its header, its entries and the empty
// lines that follow them. A line break inside a value is a blank in the file.
inline std::string SectionText(std::string_view section, const std::vector<std::pair<std::string, std::string>>& entries,
                               int emptyLines) {
  std::string text;
  text.append("[").append(section).append("]\r\n");
  for (const auto& [key, value] : entries) {
    text.append(key).append("=");
    for (const char c : value) text += c == '\r' || c == '\n' ? ' ' : c;
    text.append("\r\n");
  }
  for (int i = 0; i < emptyLines; ++i) text += "\r\n";
  return text;
}

}  // namespace tarnwick::testing_support
