#include "app/win32/report_dialog_window.h"

#include <commctrl.h>

#include <array>
#include <iostream>

#include "app/mail_command.h"
#include "app/win32/resource.h"
#include "platform/win32/win32_handles.h"

namespace tarnwick::win32 {
namespace {

// Posted at the end of the dialog's initialisation when the report is not a
// clean picture of the run.
constexpr UINT kShowReportProblems = WM_APP + 1;
constexpr const char* kReportProblemCaption = "Tarnwick report";

// The list view of the dialog as the run's result list.
class ListViewRows final : public ResultList {
 public:
  explicit ListViewRows(HWND list) : list_(list) {}

  void SetUpColumns() override {
    for (std::size_t index = 0; index < kListColumns.size(); ++index) {
      std::string heading(kListColumns[index].heading);
      LVCOLUMNA column{};
      column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
      column.fmt = LVCFMT_LEFT;
      column.cx = kListColumns[index].widthPixels;
      column.pszText = heading.data();
      column.iSubItem = kListColumns[index].subItem;
      ::SendMessageA(list_, LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&column));
    }
  }

  void InsertRow(int index, const ReportEntry& entry) override {
    std::string section = entry.section;
    std::string key = entry.key;
    std::string value = entry.value;
    LVITEMA item{};
    item.mask = LVIF_TEXT;
    item.iItem = index;
    item.pszText = section.data();
    ::SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item));
    SetText(index, 1, key);
    SetText(index, 2, value);
  }

 private:
  void SetText(int index, int subItem, std::string& text) {
    LVITEMA item{};
    item.iSubItem = subItem;
    item.pszText = text.data();
    ::SendMessageA(list_, LVM_SETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item));
  }

  HWND list_;
};

INT_PTR CALLBACK WaitDialogProc(HWND, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  // Nothing closes the waiting window but the end of the run.
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) return TRUE;
  return FALSE;
}

INT_PTR CALLBACK AboutDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) return TRUE;
  if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
    ::EndDialog(window, LOWORD(wParam));
    return TRUE;
  }
  return FALSE;
}

// Keeps the waiting window painted while the run works on the one thread:
// its pending messages are handled between the steps.
class WaitWindowPainter final : public RunObserver {
 public:
  explicit WaitWindowPainter(HWND wait) : wait_(wait) {}
  void StepFinished() override {
    if (wait_ == nullptr) return;
    MSG message;
    while (::PeekMessageA(&message, wait_, 0, 0, PM_REMOVE)) ::DispatchMessageA(&message);
    ::UpdateWindow(wait_);
  }

 private:
  HWND wait_;
};

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

INT_PTR ReportDialogWindow::Handle(UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return OnInitDialog();
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

  // The waiting window shows its text while the run works: paint it now,
  // and again between the steps.
  OwnedWindow wait(::CreateDialogParamA(instance_, MAKEINTRESOURCEA(IDD_WAIT_DIALOG), nullptr, WaitDialogProc, 0));
  if (wait) ::UpdateWindow(wait.Get());
  WaitWindowPainter painter(wait.Get());

  list_ = std::make_unique<ListViewRows>(::GetDlgItem(window_, IDC_RESULT_LIST));
  report_ = std::make_unique<ReportDialog>(platform_, *list_, std::cout);
  report_->SetRunObserver(&painter);
  report_->RunCollection();
  report_->SetRunObserver(nullptr);
  // The line names the file the customer should send.
  if (const auto send = report_->FileToSend(); send && *send != report_->ReportPath()) {
    ::SetDlgItemTextA(window_, IDC_REPORT_NOTE, ("The releated system information save in " + *send).c_str());
  }

  ::SendMessageA(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
  ::SendMessageA(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
  wait.Reset();
  // Told once the dialog is on screen, over the list that still shows every row.
  if (!report_->ReportComplete()) ::PostMessageA(window_, kShowReportProblems, 0, 0);
  return TRUE;
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
