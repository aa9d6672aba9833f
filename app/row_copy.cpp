#include "app/row_copy.h"

namespace tarnwick {
namespace {

void AppendCell(std::string& text, const std::string& cell) {
  for (const char c : cell) text += (c == '\t' || c == '\r' || c == '\n') ? ' ' : c;
}

}  // namespace

std::string CopiedRowsText(const std::vector<ReportEntry>& rows) {
  std::string text;
  for (const ReportEntry& row : rows) {
    AppendCell(text, row.section);
    text += '\t';
    AppendCell(text, row.key);
    text += '\t';
    AppendCell(text, row.value);
    text += "\r\n";
  }
  return text;
}

}  // namespace tarnwick
