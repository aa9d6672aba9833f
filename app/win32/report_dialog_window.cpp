#include "app/win32/report_dialog_window.h"

#include <commctrl.h>
#include <windowsx.h>

#include <array>
#include <iostream>

#include "app/mail_command.h"
#include "app/win32/resource.h"
#include "app/win32/wait_window.h"

namespace tarnwick::win32 {
namespace {

// Posted at the end of the dialog's initialisation when the report is not a
// clean picture of the run.
constexpr UINT kShowReportProblems = WM_APP + 1;
constexpr const char* kReportProblemCaption = "Tarnwick report";

INT_PTR CALLBACK AboutDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    // The same version as the report's first entry.
    const std::string version = "Tarnwick Version " + std::string(kToolVersion);
    ::SetDlgItemTextA(window, IDC_ABOUT_VERSION, version.c_str());
    return TRUE;
  }
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    ::EndDialog(window, LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

std::string DialogItemText(HWND window, int id) {
  std::array<char, 1024> text{};
  ::GetDlgItemTextA(window, id, text.data(), static_cast<int>(text.size()));
  return text.data();
}

}  // namespace

ReportDialogWindow::ReportDialogWindow(HINSTANCE instance, Platform& platform)
    : instance_(instance), platform_(platform) {
  icon_ = ::LoadIconA(instance_, MAKEINTRESOURCEA(IDI_PROGRAM));
}

INT_PTR ReportDialogWindow::RunModal() {
  return ::DialogBoxParamA(instance_, MAKEINTRESOURCEA(IDD_REPORT_DIALOG), nullptr, DialogProc,
                           reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK ReportDialogWindow::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    ::SetWindowLongPtrA(window, DWLP_USER, lParam);
    auto* self = reinterpret_cast<ReportDialogWindow*>(lParam);
    self->window_ = window;
  }
  auto* self = reinterpret_cast<ReportDialogWindow*>(::GetWindowLongPtrA(window, DWLP_USER));
  return self == nullptr ? FALSE : self->Handle(message, wParam, lParam);
}

INT_PTR ReportDialogWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog();
    case WM_GETMINMAXINFO:
      return layout_.LimitTracking(*reinterpret_cast<MINMAXINFO*>(lParam)) ? TRUE : FALSE;
    case WM_SIZE:
      layout_.Apply(window_);
      return FALSE;
    case WM_NOTIFY:
      OnListKey(*reinterpret_cast<const NMHDR*>(lParam));
      return FALSE;
    case WM_CONTEXTMENU:
      if (list_ == nullptr || reinterpret_cast<HWND>(wParam) != list_->Handle()) return FALSE;
      list_->ShowContextMenu(window_, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      return TRUE;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == IDM_ABOUT) {
        ::DialogBoxParamA(instance_, MAKEINTRESOURCEA(IDD_ABOUT_DIALOG), window_, AboutDialogProc, 0);
        return TRUE;
      }
      return FALSE;
    case WM_PAINT:
      return OnPaintMinimised() ? TRUE : FALSE;
    case kShowReportProblems:
      ShowReportProblems();
      return TRUE;
    case WM_QUERYDRAGICON:
      return reinterpret_cast<INT_PTR>(icon_);
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          // Enter in the list must not close the dialog by accident.
          if (list_ != nullptr && ::GetFocus() == list_->Handle()) return TRUE;
          ReadFieldsBack();
          ::EndDialog(window_, IDOK);
          return TRUE;
        case IDCANCEL:
          ::EndDialog(window_, IDCANCEL);
          return TRUE;
        case IDC_SEND:
          if (HIWORD(wParam) == BN_CLICKED) SendReport();
          return TRUE;
        default:
          return FALSE;
      }
    default:
      return FALSE;
  }
}

BOOL ReportDialogWindow::OnInitDialog() {
  ::SetDlgItemTextA(window_, IDC_TO_EDIT, to_.c_str());
  ::SetDlgItemTextA(window_, IDC_ATTACHMENT_EDIT, attachment_.c_str());
  ::SetDlgItemTextA(window_, IDC_SUBJECT_EDIT, subject_.c_str());
  ::SetDlgItemTextA(window_, IDC_MESSAGE_EDIT, message_.c_str());
  AddAboutItem();

  layout_.Capture(window_);

  // The waiting window paints itself on its own thread and shows the step
  // that runs; the run stays on this one.
  auto wait = std::make_unique<WaitWindow>(instance_);
  list_ = std::make_unique<ListViewRows>(::GetDlgItem(window_, IDC_RESULT_LIST));
  report_ = std::make_unique<ReportDialog>(platform_, *list_, std::cout);
  report_->SetRunObserver(wait.get());
  report_->RunCollection();
  report_->SetRunObserver(nullptr);
  list_->FitColumns();
  // The line names the file the customer should send.
  if (const auto send = report_->FileToSend(); send && *send != report_->ReportPath()) {
    ::SetDlgItemTextA(window_, IDC_REPORT_NOTE, ("The releated system information save in " + *send).c_str());
  }

  ::SendMessageA(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  ::SendMessageA(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
  wait.reset();
  DiscardEarlyInput();
  // Told once the dialog is on screen, over the list that still shows every row.
  if (!report_->ReportComplete()) ::PostMessageA(window_, kShowReportProblems, 0, 0);
  return TRUE;
}

void ReportDialogWindow::DiscardEarlyInput() {
  // Keys and clicks made while the run worked were meant for no window of
  // this dialog: none of them may act on it.
  MSG message;
  while (::PeekMessageA(&message, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
  }
  while (::PeekMessageA(&message, nullptr, WM_MOUSEFIRST, WM_MOUSELAST, PM_REMOVE)) {
  }
}

void ReportDialogWindow::OnListKey(const NMHDR& header) {
  if (list_ == nullptr || header.hwndFrom != list_->Handle() || header.code != LVN_KEYDOWN) return;
  if (::GetKeyState(VK_CONTROL) >= 0) return;
  const WORD key = reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey;
  if (key == 'C') list_->CopySelection(window_);
  if (key == 'A') list_->SelectAll();
}

void ReportDialogWindow::ShowReportProblems() {
  // The customer must not send, or believe in, a report that is not this
  // computer's picture: one message says so and what to do.
  std::string text;
  for (std::string problem : ReportProblems(*report_, report_->ReportPath())) {
    problem[0] = static_cast<char>(::toupper(static_cast<unsigned char>(problem[0])));
    text += problem + ".\n";
  }
  text += "\nThe list shows every entry found. Close any program that has the report open, make sure drive C: "
          "can be written to, and run Tarnwick again.";
  ::MessageBoxA(window_, text.c_str(), kReportProblemCaption, MB_OK | MB_ICONWARNING);
}

void ReportDialogWindow::AddAboutItem() {
  HMENU menu = ::GetSystemMenu(window_, FALSE);
  if (menu == nullptr) return;
  std::array<char, 256> text{};
  if (::LoadStringA(instance_, IDS_ABOUT_ITEM, text.data(), static_cast<int>(text.size())) <= 0) return;
  ::AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
  ::AppendMenuA(menu, MF_STRING, IDM_ABOUT, text.data());
}

bool ReportDialogWindow::OnPaintMinimised() {
  if (!::IsIconic(window_)) return false;
  PAINTSTRUCT paint;
  HDC context = ::BeginPaint(window_, &paint);
  ::SendMessageA(window_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(context), 0);
  const int iconWidth = ::GetSystemMetrics(SM_CXICON);
  const int iconHeight = ::GetSystemMetrics(SM_CYICON);
  RECT client;
  ::GetClientRect(window_, &client);
  const int x = (client.right - client.left - iconWidth + 1) / 2;
  const int y = (client.bottom - client.top - iconHeight + 1) / 2;
  ::DrawIcon(context, x, y, icon_);
  ::EndPaint(window_, &paint);
  return true;
}

void ReportDialogWindow::ReadFieldsBack() {
  to_ = DialogItemText(window_, IDC_TO_EDIT);
  attachment_ = DialogItemText(window_, IDC_ATTACHMENT_EDIT);
  subject_ = DialogItemText(window_, IDC_SUBJECT_EDIT);
  message_ = DialogItemText(window_, IDC_MESSAGE_EDIT);
}

void ReportDialogWindow::SendReport() {
  // No command is started when no mail program is registered, or when its
  // command line would not fit.
  const RegistryAccess registry(platform_.registry);
  if (const auto command = DefaultMailCommand(registry)) ::WinExec(command->c_str(), SW_SHOW);
  ReadFieldsBack();
  ::EndDialog(window_, IDOK);
}

}  // namespace tarnwick::win32
