#include "app/console_run.h"

#include <sstream>
#include <streambuf>

#include "app/console_table.h"
#include "app/report_copy.h"
#include "app/result_list.h"

namespace tarnwick {
namespace {

// Where the diagnostics go without --verbose.
class NullBuffer final : public std::streambuf {
 protected:
  int overflow(int c) override { return c == traits_type::eof() ? traits_type::not_eof(c) : c; }
  std::streamsize xsputn(const char*, std::streamsize count) override { return count; }
};

std::string Usage(const ConsoleOptions& options) {
  const std::string program(options.programName);
  const std::string report(options.defaultReport);
  const bool hostPaths = options.takesRoot;  // the Linux program
  return "Usage: " + program + " [--verbose] [--json] [--output FILE] [--copy-beside | --no-copy] [--redact]" +
         (options.takesRoot ? " [--root DIR]" : "") + "\n" +
         (options.takesRoot ? "       " + program + " [options] --capture FILE.tar.gz\n" : "") +
         "       " + program + " --help | --version\n"
         "Takes a picture of this computer, writes it to the report " + report + "\n" +
         (options.copiesByDefault ? "with a copy beside the program, and prints every entry.\n"
                                  : "and prints every entry.\n") +
         "  --verbose      also print the collectors' diagnostics, on standard error\n"
         "  --json         print the entries as a JSON array of {section, key, value}\n"
         "  --output FILE  write the report to FILE instead of " + report + "\n" +
         (hostPaths ? "                 (a path of this computer)\n" : "                 (NUL: write no report)\n") +
         (options.copiesByDefault ? "  --copy-beside  copy the report beside the program (the default)\n"
                                    "  --no-copy      do not copy the report beside the program\n"
                                  : "  --copy-beside  also copy the report beside the program\n"
                                    "  --no-copy      no copy beside the program (the default)\n") +
         "  --redact       replace the user name, the board's serial number and the\n"
         "                 instance parts of device paths with <redacted>\n" +
         (options.takesRoot ? "  --root DIR     read the computer's facts below DIR (a copy of another\n"
                              "                 computer's /sys and /proc) instead of /\n"
                              "  --capture FILE write the files a run reads to FILE (.tar.gz), for --root\n"
                            : "") +
         "  --help         print this text\n"
         "  --version      print the program's version\n";
}

// The report's file operations when it is discarded: every write succeeds
// and nothing is kept.
class DiscardedFiles final : public ReportFiles {
 public:
  std::optional<std::string> Read(std::string_view) override { return std::nullopt; }
  std::optional<std::uint64_t> Size(std::string_view) override { return std::nullopt; }
  bool Append(std::string_view, std::string_view) override { return true; }
  bool ReplaceAtomically(std::string_view, std::string_view) override { return true; }
  bool Delete(std::string_view) override { return false; }
  bool Copy(std::string_view, std::string_view) override { return false; }
};

Platform WithFiles(const Platform& platform, ReportFiles& files) {
  return Platform{platform.registry, platform.system,      platform.memoryPower, platform.users,
                  platform.libraries, platform.devices,    platform.waveOutput,  platform.wmi,
                  platform.directShow, platform.fileVersions, platform.executable, files};
}

}  // namespace

std::variant<ConsoleArguments, std::string> ParseConsoleArguments(int argc, char** argv, bool takesRoot) {
  ConsoleArguments arguments;
  for (int i = 1; i < argc; ++i) {
    const std::string_view option = argv[i];
    if (option == "--help") {
      arguments.help = true;
    } else if (option == "--version") {
      arguments.version = true;
    } else if (option == "--verbose") {
      arguments.verbose = true;
    } else if (option == "--json") {
      arguments.json = true;
    } else if (option == "--no-copy") {
      arguments.noCopy = true;
    } else if (option == "--copy-beside") {
      arguments.copyBeside = true;
    } else if (option == "--redact") {
      arguments.redact = true;
    } else if (option == "--output") {
      if (i + 1 >= argc || std::string_view(argv[i + 1]).empty()) return std::string("--output needs a file name");
      arguments.output = argv[++i];
    } else if (option == "--root" && takesRoot) {
      if (i + 1 >= argc || std::string_view(argv[i + 1]).empty()) return std::string("--root needs a folder");
      arguments.root = argv[++i];
    } else if (option == "--capture" && takesRoot) {
      if (i + 1 >= argc || std::string_view(argv[i + 1]).empty()) return std::string("--capture needs a file name");
      arguments.capture = argv[++i];
    } else {
      return "unknown argument '" + std::string(option) + "'";
    }
  }
  return arguments;
}

int RunFromConsole(Platform& platform, const ConsoleOptions& options, int argc, char** argv, std::ostream& out,
                   std::ostream& err) {
  const std::string name(options.programName);
  const auto parsed = ParseConsoleArguments(argc, argv, options.takesRoot);
  if (const auto* problem = std::get_if<std::string>(&parsed)) {
    err << name << ": " << *problem << '\n' << Usage(options);
    return 2;
  }
  const ConsoleArguments& arguments = std::get<ConsoleArguments>(parsed);
  if (arguments.help) {
    out << Usage(options);
    return 0;
  }
  if (arguments.version) {
    out << name << ' ' << kToolVersion << '\n';
    return 0;
  }

  ReportPlacement placement;
  placement.copyBesideExecutable = !arguments.noCopy && (options.copiesByDefault || arguments.copyBeside);
  placement.redact = arguments.redact;
  const bool discard = arguments.output && options.discards(*arguments.output);
  if (arguments.output && !discard) {
    const auto path = options.reportPathOf(*arguments.output);
    if (!path) {
      err << name << ": cannot write a report to '" << *arguments.output << "'\n";
      return 2;
    }
    placement.path = *path;
  }
  // The null device takes the report and keeps nothing: no file, no copy.
  DiscardedFiles discarded;
  Platform runPlatform = WithFiles(platform, discard ? discarded : platform.files);
  if (discard) placement.copyBesideExecutable = false;

  // A folder, a device or a named pipe where the report or its copy would go
  // is refused before anything is removed, renamed over or opened.
  const auto copy = placement.copyBesideExecutable ? ReportCopyPath(platform.executable.Path(), placement.path)
                                                   : std::nullopt;
  if (const auto refusal = ReportPlaceRefusal(runPlatform.files, placement.path, copy, options.shownPath)) {
    err << name << ": " << *refusal << '\n';
    return 2;
  }

  NullBuffer discard_output;
  std::ostream silent(&discard_output);
  RecordedRows rows;
  ReportDialog dialog(runPlatform, rows, arguments.verbose ? err : silent, StandardCollectionSteps(), placement);
  if (options.closingStep) dialog.SetClosingStep(options.closingStep);
  dialog.RunCollection();

  // The texts are decoded with the code page they were written in.
  const auto codePage = OpenCodePage(platform.system.AnsiCodePage());
  const CodePage& code = codePage ? *codePage : Windows1252();
  // The listing goes out in one piece: written a field at a time it costs a
  // system call a field, which under Wine takes longer than the whole run.
  std::ostringstream listing;
  if (arguments.json) {
    PrintRowsJson(listing, rows.Rows(), code);
  } else {
    PrintRowTable(listing, rows.Rows(), options.utf8, code);
    listing << '\n' << rows.Rows().size() << " entries\n";
  }
  const std::string report = options.shownPath(dialog.ReportPath());
  const auto problems = ReportProblems(dialog, report, options.shownPath);
  // With --json standard output holds the JSON alone.
  if (problems.empty() && !arguments.json) {
    if (discard) {
      listing << "Report discarded (" << *arguments.output << ")\n";
    } else {
      listing << "Report written to " << report << '\n';
    }
    if (const auto& copied = dialog.CopiedTo()) {
      const std::string shown = options.shownPath(*copied);
      if (shown != report) listing << "Copy written to " << shown << '\n';
    }
  }
  out << listing.str();
  out.flush();
  for (const std::string& problem : problems) err << name << ": " << problem << '\n';
  // A copy that could not be written is said; the report itself is fine.
  for (const std::string& problem : CopyProblems(dialog, options.shownPath)) err << name << ": " << problem << '\n';
  return problems.empty() ? 0 : 1;
}

}  // namespace tarnwick
