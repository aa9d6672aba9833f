#include "desk/store/store_main.h"

#include <charconv>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "desk/code_pages.h"
#include "desk/page/page_writer.h"
#include "desk/rules.h"
#include "desk/store/store_commands.h"
#include "desk/table_rows.h"

namespace tarnwick::desk {
namespace {

constexpr int kExitClean = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

constexpr std::string_view kUsage =
    "Usage: tarnwick-desk index DB INPUT... [--batch N]\n"
    "       tarnwick-desk recheck DB [--codepage N --from ADDRESS]\n"
    "       tarnwick-desk forget DB (--from ADDRESS | --source TEXT)\n"
    "       tarnwick-desk table (--db DB | INPUT...) [--csv | --json] [--finding ID] [--since DATE] [--from TEXT]\n"
    "       tarnwick-desk page (--db DB | INPUT...) -o DIR\n"
    "Options: --codepage N, --rules DIR (more checks; may repeat)\n";

struct Arguments {
  std::string command;
  std::vector<std::string> positional;
  std::optional<std::string> db, from, source, finding, since, out;
  std::optional<int> codePage;
  std::vector<std::string> ruleFolders;
  int batch = kIndexBatch;
  bool csv = false, json = false;
};

int Usage(std::string_view why) {
  std::cerr << "tarnwick-desk: " << why << '\n' << kUsage;
  return kExitUsage;
}

std::optional<int> Number(std::string_view text) {
  int number = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return number;
}

// Fills the arguments; an error text when they make no sense.
std::string Parse(int argc, char** argv, Arguments& args) {
  args.command = argv[1];
  for (int i = 2; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--csv") args.csv = true;
    else if (arg == "--json") args.json = true;
    else if (arg.size() > 1 && arg.front() == '-') {
      if (i + 1 >= argc) return std::string(arg) + " needs a value";
      const std::string value = argv[++i];
      if (arg == "--db") args.db = value;
      else if (arg == "--from") args.from = value;
      else if (arg == "--source") args.source = value;
      else if (arg == "--finding") args.finding = value;
      else if (arg == "--since") args.since = value;
      else if (arg == "-o") args.out = value;
      else if (arg == "--rules") args.ruleFolders.push_back(value);
      else if (arg == "--batch") {
        const auto batch = Number(value);
        if (!batch || *batch < 1) return "--batch needs a number above 0";
        args.batch = *batch;
      } else if (arg == "--codepage") {
        CodePageDecoder decoder;
        args.codePage = Number(value);
        if (!args.codePage || !decoder.Supports(*args.codePage)) return "no such code page: " + value;
      } else {
        return "unknown option " + std::string(arg);
      }
    } else {
      args.positional.emplace_back(arg);
    }
  }
  return {};
}

std::unique_ptr<Checker> OpenChecker(const Arguments& args) { return OpenInstalledChecker(args.ruleFolders); }

std::unique_ptr<ReportStore> OpenStore(const std::string& path) {
  std::string error;
  auto store = ReportStore::Open(path, error);
  if (!store) std::cerr << "tarnwick-desk: " << path << ": " << error << '\n';
  return store;
}

int Index(const Arguments& args) {
  if (args.positional.size() < 2) return Usage("index takes DB and at least one INPUT");
  auto checker = OpenChecker(args);
  auto store = checker ? OpenStore(args.positional[0]) : nullptr;
  if (!store) return kExitFailed;
  IndexCounts counts;
  const std::vector<std::string> inputs(args.positional.begin() + 1, args.positional.end());
  const bool written = IndexInputs(*store, *checker, inputs,
                                   {.batch = args.batch, .read = {.codePage = args.codePage}, .indexedAt = {}}, counts,
                                   std::cerr);
  std::cout << counts.added << " added, " << counts.present << " already present, " << counts.refused << " refused\n";
  return written ? kExitClean : kExitFailed;
}

int Recheck(const Arguments& args) {
  if (args.positional.size() != 1) return Usage("recheck takes one DB");
  if (args.codePage && !args.from) return Usage("--codepage is for one sender's reports: add --from ADDRESS");
  auto checker = OpenChecker(args);
  auto store = checker ? OpenStore(args.positional[0]) : nullptr;
  if (!store) return kExitFailed;
  const auto rechecked = desk::Recheck(*store, *checker, {.from = args.from, .codePage = args.codePage, .batch = args.batch},
                                       std::cerr);
  if (rechecked) std::cout << *rechecked << " rechecked\n";
  return rechecked ? kExitClean : kExitFailed;
}

int Forget(const Arguments& args) {
  if (args.positional.size() != 1) return Usage("forget takes one DB");
  if (args.from.has_value() == args.source.has_value()) return Usage("forget takes --from ADDRESS or --source TEXT");
  auto store = OpenStore(args.positional[0]);
  if (!store) return kExitFailed;
  const std::vector<std::int64_t> ids = args.from ? store->ReportsFrom(*args.from) : store->ReportsOfSource(*args.source);
  std::string error;
  if (!store->Forget(ids, error)) {
    std::cerr << "tarnwick-desk: " << error << '\n';
    return kExitFailed;
  }
  std::cout << ids.size() << " forgotten\n";
  return kExitClean;
}

// The reports from the store or from the inputs, whichever was named.
std::optional<std::vector<DeskRecord>> Records(const Arguments& args) {
  if (args.db) {
    auto store = OpenStore(*args.db);
    if (!store) return std::nullopt;
    return RecordsFromStore(*store, std::cerr);
  }
  auto checker = OpenChecker(args);
  if (!checker) return std::nullopt;
  return RecordsFromInputs(args.positional, *checker, {.codePage = args.codePage}, std::cerr);
}

int Table(const Arguments& args) {
  if (args.db.has_value() == !args.positional.empty()) return Usage("table takes --db DB or INPUT...");
  if (args.csv && args.json) return Usage("--csv or --json, not both");
  const TableFilter filter{args.finding.value_or(""), args.since.value_or(""), args.from.value_or("")};
  TableWriter writer(std::cout, args.csv    ? TableWriter::Format::kCsv
                                : args.json ? TableWriter::Format::kJson
                                            : TableWriter::Format::kText);
  bool read = true;
  if (args.db) {
    auto store = OpenStore(*args.db);
    if (!store) return kExitFailed;
    std::string error;
    read = EachRowFromStore(*store, filter, [&](TableRow row) { writer.Row(row); }, error);
    if (!read) std::cerr << "tarnwick-desk: " << error << '\n';
  } else {
    auto records = Records(args);
    read = records.has_value();
    for (const DeskRecord& record : records.value_or(std::vector<DeskRecord>())) {
      TableRow row = RowOf(record);
      if (filter.Keeps(row)) writer.Row(row);
    }
  }
  writer.Finish();
  return read && std::cout.good() ? kExitClean : kExitFailed;
}

int Page(const Arguments& args) {
  if (args.db.has_value() == !args.positional.empty()) return Usage("page takes --db DB or INPUT...");
  if (!args.out) return Usage("page needs -o DIR");
  std::string error;
  std::size_t reports = 0;
  bool written = false;
  if (args.db) {
    // One report at a time: a store may hold more than memory would.
    auto store = OpenStore(*args.db);
    if (!store) return kExitFailed;
    const std::vector<std::int64_t> ids = store->AllReports();
    StoredRecords stored(*store);
    reports = ids.size();
    written = WritePage(ids.size(), [&](std::size_t at) { return stored.Load(ids[at], std::cerr); }, *args.out, error);
  } else {
    auto records = Records(args);
    if (!records) return kExitFailed;
    reports = records->size();
    written = WritePage(*records, *args.out, error);
  }
  if (!written) {
    std::cerr << "tarnwick-desk: " << *args.out << ": " << error << '\n';
    return kExitFailed;
  }
  std::cout << reports << " reports in " << *args.out << "/index.html\n";
  return kExitClean;
}

}  // namespace

bool IsStoreCommand(std::string_view command) {
  return command == "index" || command == "recheck" || command == "forget" || command == "table" || command == "page";
}

int RunStoreCommand(int argc, char** argv) {
  for (int i = 2; i < argc; ++i) {
    if (std::string_view(argv[i]) == "--help") {
      std::cout << kUsage;
      return kExitClean;
    }
  }
  Arguments args;
  const std::string error = Parse(argc, argv, args);
  if (!error.empty()) return Usage(error);
  if (args.command == "index") return Index(args);
  if (args.command == "recheck") return Recheck(args);
  if (args.command == "forget") return Forget(args);
  if (args.command == "table") return Table(args);
  return Page(args);
}

}  // namespace tarnwick::desk
