// The dialog's list view as the run's result list, and what the customer can
// do with it: whole rows selected, all of them with Ctrl+A, the selected rows
// copied with Ctrl+C or the context menu's "Copy".
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "app/result_list.h"

namespace tarnwick::win32 {

// Widest a column grows when fitted to its content, in pixels.
inline constexpr int kWidestFittedColumn = 400;

class ListViewRows final : public ResultList {
 public:
  explicit ListViewRows(HWND list);

  void SetUpColumns() override;
  void InsertRow(int index, const ReportEntry& entry) override;

  // Each column as wide as its content, no narrower than its first width
  // and no wider than kWidestFittedColumn.
  void FitColumns();
  void SelectAll();
  // The selected rows on the clipboard as text; false when nothing was put
  // there.
  bool CopySelection(HWND owner);
  // The context menu at a screen point (-1, -1: from the keyboard, at the
  // focused row).
  void ShowContextMenu(HWND owner, POINT at);

  HWND Handle() const { return list_; }

 private:
  std::vector<ReportEntry> SelectedRows() const;

  HWND list_;
  // The rows as written: the list shows them unsorted, so a row's index is
  // its place here.
  std::vector<ReportEntry> rows_;
};

}  // namespace tarnwick::win32
