// The list printed as an aligned table of three columns, and the rows as the
// tab-separated file the replay harness writes.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "collectors/report_writer.h"
#include "platform/code_page.h"

namespace tarnwick {

// Columns "Section", "Parameter" and "Value", each as wide as its longest
// text; line feeds and other control characters inside a text are shown as
// escapes so every row stays on one line. With utf8 the 8-bit texts, written
// in codePage, are shown in UTF-8, as a Linux terminal expects them.
void PrintRowTable(std::ostream& out, const std::vector<ReportEntry>& rows, bool utf8,
                   const CodePage& codePage = Windows1252());

// The rows as a JSON array of {"section", "key", "value"} objects, one per
// line, the 8-bit texts (written in codePage) converted to UTF-8.
void PrintRowsJson(std::ostream& out, const std::vector<ReportEntry>& rows, const CodePage& codePage = Windows1252());

// One line per row: section, key and value parted by one TAB, with '\' as
// "\\", TAB as "\t", LF as "\n" and CR as "\r"; every line ends with LF.
std::string RowsTsv(const std::vector<ReportEntry>& rows);

}  // namespace tarnwick
