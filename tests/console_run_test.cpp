// The console programs' command line: what each option does to the output
// and the report, and what is refused.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/console_run.h"
#include "app/console_table.h"
#include "report_test_files.h"
#include "silent_machine.h"

namespace tarnwick {
namespace {

using testing_files::MemoryReportFiles;

// Every query fails; the version query prints "GetVersion error = 50".
using QuietMachine = testing_support::SilentMachine;

struct ConsoleCase {
  const char* name;
  std::vector<std::string> arguments;
  int status;
  std::string outStart;  // what standard output begins with
  std::string errStart;  // what standard error begins with
  std::vector<std::string> files;  // the files written, by their Windows paths
};

TEST(ConsoleRun, OptionsShapeOutputAndReportPlaces) {
  const ConsoleCase cases[] = {
      {"Plain", {}, 0, "Section ", "", {"C:\\SystemInfo.ini", "C:\\Tarnwick\\SystemInfo.ini"}},
      {"Verbose", {"--verbose"}, 0, "Section ", "GetVersion error = 50 \n",
       {"C:\\SystemInfo.ini", "C:\\Tarnwick\\SystemInfo.ini"}},
      {"Json", {"--json", "--no-copy"}, 0,
       "[\n  {\"section\": \"Tool Version\", \"key\": \"Tool Version\", \"value\": \"2.5\"}", "",
       {"C:\\SystemInfo.ini"}},
      {"Output", {"--output", "D:\\Reports\\pc.ini"}, 0, "Section ", "",
       {"C:\\Tarnwick\\SystemInfo.ini", "D:\\Reports\\pc.ini"}},
      {"Help", {"--verbose", "--help"}, 0, "Usage: tarnwick [--verbose] [--json]", "", {}},
      {"Version", {"--version"}, 0, "tarnwick 2.5\n", "", {}},
      {"Unknown", {"--jsn"}, 2, "", "tarnwick: unknown argument '--jsn'\nUsage:", {}},
      {"OutputWithoutFile", {"--output"}, 2, "", "tarnwick: --output needs a file name\n", {}},
      {"OutputEmpty", {"--output", ""}, 2, "", "tarnwick: --output needs a file name\n", {}},
  };
  for (const ConsoleCase& c : cases) {
    MemoryReportFiles files;
    QuietMachine machine(files);
    std::vector<std::string> words{"tarnwick"};
    words.insert(words.end(), c.arguments.begin(), c.arguments.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    std::ostringstream out;
    std::ostringstream err;
    const int status = RunFromConsole(machine.Services(), ConsoleOptions{"tarnwick"}, static_cast<int>(argv.size()),
                                      argv.data(), out, err);
    EXPECT_EQ(status, c.status) << c.name;
    EXPECT_EQ(out.str().substr(0, c.outStart.size()), c.outStart) << c.name << ": " << out.str();
    EXPECT_EQ(err.str().substr(0, c.errStart.size()), c.errStart) << c.name << ": " << err.str();
    if (c.errStart.empty()) {
      EXPECT_EQ(err.str(), "") << c.name;
    }
    std::vector<std::string> written;
    for (const auto& [path, content] : files.files) written.push_back(path);
    EXPECT_EQ(written, c.files) << c.name;
  }
}

// Whatever the options, the report is the same file.
TEST(ConsoleRun, JsonEndsTheArrayAndTheReportStaysTheSame) {
  MemoryReportFiles plainFiles;
  MemoryReportFiles jsonFiles;
  QuietMachine plain(plainFiles);
  QuietMachine json(jsonFiles);
  char program[] = "tarnwick";
  char jsonOption[] = "--json";
  char* plainArgv[] = {program};
  char* jsonArgv[] = {program, jsonOption};
  std::ostringstream ignored;
  std::ostringstream out;
  ASSERT_EQ(RunFromConsole(plain.Services(), ConsoleOptions{"tarnwick"}, 1, plainArgv, ignored, ignored), 0);
  ASSERT_EQ(RunFromConsole(json.Services(), ConsoleOptions{"tarnwick"}, 2, jsonArgv, out, ignored), 0);
  EXPECT_EQ(plainFiles.files, jsonFiles.files);
  EXPECT_TRUE(out.str().ends_with("\"}\n]\n")) << out.str();
}

TEST(ConsoleTable, JsonEscapesAndConvertsTexts) {
  std::ostringstream out;
  PrintRowsJson(out, {{"S\xE9", "k\"\\", "a\nb\r\t\x01\x7F\x80"}});
  EXPECT_EQ(out.str(), "[\n  {\"section\": \"S\xC3\xA9\", \"key\": \"k\\\"\\\\\", \"value\": "
                       "\"a\\nb\\r\\t\\u0001\\u007f\xE2\x82\xAC\"}\n]\n");
  std::ostringstream empty;
  PrintRowsJson(empty, {});
  EXPECT_EQ(empty.str(), "[]\n");
}

}  // namespace
}  // namespace tarnwick
