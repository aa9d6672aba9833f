// The list's rows as the text copied to the clipboard: one row a line ended
// by CR LF, section, key and value separated by TAB.
#pragma once

#include <string>
#include <vector>

#include "collectors/report_writer.h"

namespace tarnwick {

// A TAB, CR or LF inside a cell is copied as a blank, so each row stays one
// line of three fields.
std::string CopiedRowsText(const std::vector<ReportEntry>& rows);

}  // namespace tarnwick
