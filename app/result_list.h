// The list that shows every report entry as a row, in the order written.
#pragma once

#include <array>
#include <string_view>
#include <vector>

#include "collectors/report_writer.h"

namespace tarnwick {

struct ListColumn {
  std::string_view heading;
  int widthPixels;
  int subItem;
};

inline constexpr std::array<ListColumn, 3> kListColumns = {{
    {"Section", 90, 0},
    {"Parameter", 130, 1},
    {"Value", 225, 2},
}};

class ResultList {
 public:
  virtual ~ResultList() = default;
  virtual void SetUpColumns() = 0;
  virtual void InsertRow(int index, const ReportEntry& entry) = 0;
};

// The list kept as plain rows, for the console programs and the tests.
class RecordedRows final : public ResultList {
 public:
  void SetUpColumns() override {}
  void InsertRow(int index, const ReportEntry& entry) override {
    rows_.insert(rows_.begin() + index, entry);
  }
  const std::vector<ReportEntry>& Rows() const { return rows_; }

 private:
  std::vector<ReportEntry> rows_;
};

}  // namespace tarnwick
