// The main dialog window (template 102) around the portable ReportDialog: its
// initialisation performs the collection run behind the waiting window, its
// list view shows every entry (resizable with the window, rows copied), and
// its system menu opens the About box.
#pragma once

#include <windows.h>

#include <memory>
#include <string>

#include "app/report_dialog.h"
#include "app/win32/dialog_layout.h"
#include "app/win32/list_view_rows.h"
#include "platform/platform.h"

namespace tarnwick::win32 {

class ReportDialogWindow {
 public:
  ReportDialogWindow(HINSTANCE instance, Platform& platform);

  // Runs the dialog modally; returns when it is closed.
  INT_PTR RunModal();

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);

  BOOL OnInitDialog();
  void DiscardEarlyInput();
  void OnListKey(const NMHDR& header);
  void ShowReportProblems();
  void AddAboutItem();
  bool OnPaintMinimised();
  void ReadFieldsBack();
  void SendReport();

  HINSTANCE instance_;
  Platform& platform_;
  HWND window_ = nullptr;
  HICON icon_ = nullptr;  // shared resource icon: never destroyed
  // The e-mail fields of the hidden edit boxes.
  std::string to_;
  std::string attachment_ = "C:\\SystemInfo.ini";
  std::string subject_ = "Device Message";
  std::string message_ = "Please describe your error message!!!";
  DialogLayout layout_;
  std::unique_ptr<ListViewRows> list_;
  std::unique_ptr<ReportDialog> report_;
};

}  // namespace tarnwick::win32
