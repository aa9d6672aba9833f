// What the waiting window is told while the run works, and the text that the
// list's Copy puts on the clipboard.
#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/report_dialog.h"
#include "app/row_copy.h"
#include "app/run_progress.h"
#include "collectors/collectors.h"
#include "report_test_files.h"
#include "silent_machine.h"

namespace tarnwick {
namespace {

// Every event as one line: "step <text>" or "entries <n>".
class RecordingObserver final : public RunObserver {
 public:
  void StepStarted(std::string_view step) override { events.push_back("step " + std::string(step)); }
  void EntriesWritten(int count) override { events.push_back("entries " + std::to_string(count)); }
  std::vector<std::string> events;
};

void WritesNothing(CollectorContext&) {}
void WritesTwo(CollectorContext& context) {
  context.report.AddReportEntry("A", "One", "1");
  context.report.AddReportEntry("A", "Two", "2");
}
void ListsOneFilter(CollectorContext& context, std::string_view label, const Guid&) {
  context.report.AddReportEntry("Filter Name", std::string(label) + "1", "Filter");
}

TEST(RunProgress, ObserverHearsEachStepAndItsOwnEntryCount) {
  testing_files::MemoryReportFiles files;
  testing_support::SilentMachine machine(files);
  RecordedRows rows;
  std::ostringstream diagnostics;
  const CollectionSteps steps{{WritesTwo, WritesNothing}, {CollectSystemDevices}, ListsOneFilter};
  ReportDialog dialog(machine.Services(), rows, diagnostics, steps);
  RecordingObserver observer;
  dialog.SetRunObserver(&observer);
  dialog.RunCollection();

  // The tool's version is written before any step starts.
  std::vector<std::string> expected = {"step Collecting", "entries 1", "entries 2", "step Collecting",
                                       "step Reading Plug and Play devices"};
  for (const char* label : {"NETWORK PROVIDER", "NETWORK TUNER", "RECEIVER COMPONENT", "NETWORK EPG",
                            "RANSPORT INFORMATION", "WDM Streaming Capture Devices", "WDM Streaming Crossbar Devices",
                            "WDM Streaming Rendering Devices", "WDM Streaming Tee/Splitter Devices",
                            "WDM Streaming TV Audio Devices", "WDM Streaming TV Tuner Devices",
                            "WDM Streaming VBI Codecs", "ActiveMovie Filter Categories", "Video Capture Sources",
                            "Video Compressors", "Audio Capture Sources", "Audio Compressors", "Audio Renderers",
                            "Device Control Filters", "DirectShow Filters", "External Renderers", "Midi Renderers"}) {
    expected.push_back(std::string("step Reading DirectShow filters: ") + label);
    expected.push_back("entries 1");
  }
  EXPECT_EQ(observer.events, expected);
  EXPECT_EQ(rows.Rows().size(), 1u + 2u + 22u);
}

TEST(RunProgress, EveryStandardStepHasWordsOfItsOwn) {
  const CollectionSteps& steps = StandardCollectionSteps();
  std::set<std::string_view> seen;
  for (const auto* part : {&steps.beforeTunerRelease, &steps.afterTunerRelease}) {
    for (const Collector collector : *part) {
      const std::string_view words = StepDescription(collector);
      EXPECT_TRUE(words.starts_with("Reading ")) << words;
      EXPECT_TRUE(seen.insert(words).second) << "told twice: " << words;
    }
  }
  EXPECT_EQ(seen.size(), steps.beforeTunerRelease.size() + steps.afterTunerRelease.size());
}

struct ProgressCase {
  const char* name;
  const char* step;
  int entries;
  const char* shown;
};

class ProgressTexts : public testing::TestWithParam<ProgressCase> {};

TEST_P(ProgressTexts, ShowTheStepAndItsCountOnceThereIsOne) {
  EXPECT_EQ(StepProgressText(GetParam().step, GetParam().entries), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(RunProgress, ProgressTexts, testing::Values(
    ProgressCase{"NothingYet", "Reading Plug and Play devices", 0, "Reading Plug and Play devices"},
    ProgressCase{"Counted", "Reading Plug and Play devices", 212, "Reading Plug and Play devices (212)"},
    ProgressCase{"Category", "Reading DirectShow filters: Video Capture Sources", 3,
                 "Reading DirectShow filters: Video Capture Sources (3)"}),
    [](const auto& info) { return std::string(info.param.name); });

struct CopyCase {
  const char* name;
  std::vector<ReportEntry> rows;
  std::string text;
};

class CopiedRows : public testing::TestWithParam<CopyCase> {};

TEST_P(CopiedRows, OneLineARowWithTabsBetweenTheCells) { EXPECT_EQ(CopiedRowsText(GetParam().rows), GetParam().text); }

INSTANTIATE_TEST_SUITE_P(RowCopy, CopiedRows, testing::Values(
    CopyCase{"NoRows", {}, ""},
    CopyCase{"OneRow", {{"Tool Version", "Tool Version", "2.5"}}, "Tool Version\tTool Version\t2.5\r\n"},
    CopyCase{"EmptyCellsKeepTheirPlace", {{"Windows OS", "ServicePack", ""}, {"", "", "x"}},
             "Windows OS\tServicePack\t\r\n\t\tx\r\n"},
    CopyCase{"SeparatorsInsideACellBecomeBlanks", {{"S\te", "k\r\ney", "a\tb\nc\rd"}},
             "S e\tk  ey\ta b c d\r\n"},
    CopyCase{"TrailingBlanksAndAnsiBytesStay", {{"Filter Name", "Video Capture Sources 1", "Caf\xE9 \x80 "}},
             "Filter Name\tVideo Capture Sources 1\tCaf\xE9 \x80 \r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace tarnwick
