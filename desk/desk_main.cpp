// tarnwick-desk: reads the reports customers mail in and says what is wrong
// (show, check) or what changed between two of them (diff).
#include <charconv>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "desk/checks.h"
#include "desk/code_pages.h"
#include "desk/desk_output.h"
#include "desk/inputs/input_walk.h"
#include "desk/report_diff.h"
#include "desk/report_summary.h"
#include "desk/rules.h"
#include "desk/store/store_main.h"

namespace {

using namespace tarnwick::desk;

constexpr int kExitClean = 0;
constexpr int kExitFound = 1;  // a problem (check) or a difference (diff)
constexpr int kExitUsage = 2;

constexpr std::string_view kUsage =
    "Usage: tarnwick-desk show INPUT... [--all] [--json]\n"
    "       tarnwick-desk check INPUT... [--json]\n"
    "       tarnwick-desk diff OLD NEW [--json]\n"
    "       tarnwick-desk index|recheck|forget|table|page ... (see tarnwick-desk index --help)\n"
    "Options: --codepage N (the reports' ANSI code page), --rules DIR (more checks; may repeat),\n"
    "         --help, --version\n"
    "INPUT is a report, a mail, an mbox, a maildir, a zip or a folder of them.\n";

struct Options {
  std::string command;
  std::vector<std::string> inputs;
  bool json = false;
  bool all = false;
  ReadOptions read;
  std::vector<std::string> ruleFolders;
};

int Usage(std::string_view why) {
  if (!why.empty()) std::cerr << "tarnwick-desk: " << why << '\n';
  std::cerr << kUsage;
  return kExitUsage;
}

// Every report of one input, each read as it is found; a named input that
// holds none gets one line on standard error.
template <typename Take>
int ReadInput(const std::string& input, const Options& options, Take&& take) {
  int reports = 0;
  bool complained = false;
  WalkInput(
      input,
      [&](FoundReport found) {
        auto report = ReadReport(found, options.read);
        if (!report) return;
        ++reports;
        take(std::move(*report));
      },
      [&](InputProblem problem) {
        std::cerr << "tarnwick-desk: " << problem.input << ": " << problem.reason << '\n';
        complained = complained || problem.input == input;
      });
  if (reports == 0 && !complained) std::cerr << "tarnwick-desk: " << input << ": holds no report\n";
  return reports;
}

std::unique_ptr<Checker> OpenChecker(const Options& options) { return OpenInstalledChecker(options.ruleFolders); }

int ShowOrCheck(const Options& options) {
  auto checker = OpenChecker(options);
  if (!checker) return kExitUsage;
  OutputStyle style{.colour = !options.json && ColourWanted(), .allEntries = options.all};
  nlohmann::ordered_json all = nlohmann::ordered_json::array();
  int reports = 0;
  bool problem = false;
  for (const std::string& input : options.inputs) {
    reports += ReadInput(input, options, [&](Report report) {
      const std::vector<Finding> findings = checker->RunChecks(report);
      for (const Finding& finding : findings) problem = problem || finding.severity == "problem";
      const Summary summary = Summarise(report);
      if (options.json) all.push_back(ReportJson(report, summary, findings, options.all));
      else if (options.command == "show") PrintCard(std::cout, report, summary, findings, style);
      else PrintFindings(std::cout, report, findings, style);
    });
  }
  if (options.json) std::cout << all.dump(2) << '\n';
  if (reports == 0) return kExitUsage;
  return options.command == "check" && problem ? kExitFound : kExitClean;
}

int Diff(const Options& options) {
  if (options.inputs.size() != 2) return Usage("diff takes OLD and NEW");
  auto checker = OpenChecker(options);
  if (!checker) return kExitUsage;
  std::vector<Report> pair;
  for (const std::string& input : options.inputs) {
    std::vector<Report> found;
    ReadInput(input, options, [&](Report report) { found.push_back(std::move(report)); });
    if (found.size() != 1) {
      if (found.size() > 1) std::cerr << "tarnwick-desk: " << input << ": holds " << found.size() << " reports, not one\n";
      return kExitUsage;
    }
    pair.push_back(std::move(found.front()));
  }
  const ReportDiff diff = DiffReports(pair[0], pair[1], checker->RunChecks(pair[0]), checker->RunChecks(pair[1]));
  if (options.json) {
    std::cout << nlohmann::ordered_json::array({DiffJson(pair[0], pair[1], diff)}).dump(2) << '\n';
  } else {
    PrintDiff(std::cout, pair[0], pair[1], diff, {.colour = ColourWanted()});
  }
  return diff.EntriesDiffer() ? kExitFound : kExitClean;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && IsStoreCommand(argv[1])) return RunStoreCommand(argc, argv);
  Options options;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help") {
      std::cout << kUsage;
      return kExitClean;
    }
    if (arg == "--version") {
      std::cout << "tarnwick-desk " << TARNWICK_VERSION << '\n';
      return kExitClean;
    }
    if (arg == "--json") options.json = true;
    else if (arg == "--all") options.all = true;
    else if (arg == "--codepage" || arg == "--rules") {
      if (i + 1 >= argc) return Usage(std::string(arg) + " needs a value");
      const std::string_view value = argv[++i];
      if (arg == "--rules") {
        options.ruleFolders.emplace_back(value);
        continue;
      }
      int codePage = 0;
      const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), codePage);
      CodePageDecoder decoder;
      if (error != std::errc() || end != value.data() + value.size() || !decoder.Supports(codePage)) {
        return Usage("no such code page: " + std::string(value));
      }
      options.read.codePage = codePage;
    } else if (arg.size() > 1 && arg.front() == '-') {
      return Usage("unknown option " + std::string(arg));
    } else if (options.command.empty()) {
      options.command = arg;
    } else {
      options.inputs.emplace_back(arg);
    }
  }
  if (options.command != "show" && options.command != "check" && options.command != "diff") {
    return Usage(options.command.empty() ? "" : "unknown command " + options.command);
  }
  if (options.inputs.empty()) return Usage("no INPUT given");
  if (options.all && options.command != "show") return Usage("--all is for show");
  return options.command == "diff" ? Diff(options) : ShowOrCheck(options);
}
