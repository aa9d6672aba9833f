// Fuzz target for the desk's report reader, the card and the checks on a
// hostile report (any bytes, any line ends, doubled sections and keys, byte
// sequences no code page defines). The first byte picks how the report came
// (bit 0: its line ends are as written) and the code page (bits 1-3: the
// guess from the report, or one of seven forced); the rest is the report.
// Oracles: every text comes out as valid UTF-8, positions rise, and every
// entry the profile reader can reach is the one its lookup returns.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

#include "desk/checks.h"
#include "desk/report.h"
#include "desk/report_summary.h"
#include "desk/rules.h"

namespace {

using namespace tarnwick::desk;

constexpr int kForcedCodePages[] = {1251, 932, 936, 949, 950, 874, 1252};

bool ValidUtf8(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size()) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    if (length == 0 || at + length > text.size()) return false;
    for (std::size_t i = 1; i < length; ++i) {
      if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80) return false;
    }
    at += length;
  }
  return true;
}

Checker& SharedChecker() {
  static std::unique_ptr<Checker> checker = [] {
    RulesOrError rules = LoadRules({DefaultRulesFolder()});
    std::string error = rules.error;
    auto opened = error.empty() ? Checker::Open(std::move(rules.rules), error) : nullptr;
    if (!opened) std::abort();
    return opened;
  }();
  return *checker;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t flags = data[0];
  FoundReport found{.source = "fuzz",
                    .mail = std::nullopt,
                    .bytes = std::string(reinterpret_cast<const char*>(data + 1), size - 1),
                    .lineEndsAsWritten = (flags & 1) != 0};
  ReadOptions options;
  const int pick = (flags >> 1) & 7;
  if (pick > 0) options.codePage = kForcedCodePages[pick - 1];
  const auto report = ReadReport(found, options);
  if (!report) return 0;
  int previous = 0;
  for (const ReportLine& line : report->lines) {
    if (line.position != previous + 1 || !ValidUtf8(line.text)) std::abort();
    previous = line.position;
  }
  previous = 0;
  for (const ReportEntry& entry : report->entries) {
    if (entry.position <= previous || !ValidUtf8(entry.section) || !ValidUtf8(entry.key) || !ValidUtf8(entry.value)) {
      std::abort();
    }
    previous = entry.position;
    if (!entry.shadowed && report->Find(entry.section, entry.key) != &entry) std::abort();
  }
  Summarise(*report);
  for (const Finding& finding : SharedChecker().RunChecks(*report)) {
    if (finding.id.empty() || !ValidUtf8(finding.title)) std::abort();
  }
  return 0;
}
