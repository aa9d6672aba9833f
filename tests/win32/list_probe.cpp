// list_probe.exe: looks at the main dialog of a running Tarnwick.exe from
// outside, for the GUI tests.
//   list_probe [--wait SECONDS]           prints the number of rows in the list
//   list_probe [--wait SECONDS] --table   prints the rows as tarnwick-cli does
//   list_probe [--wait SECONDS] --about   asks the dialog to open its About box
//   list_probe [--wait SECONDS] --note    prints the line above the list
//   list_probe [--wait SECONDS] --syscommand VALUE   posts that system command
//   list_probe [--wait SECONDS] --layout  prints the list's and the Close
//       button's places, the column widths and whether rows select whole
//   list_probe [--wait SECONDS] --selected  prints the selected rows, TAB
//       between the cells, each line ended by CR LF
//   list_probe --clipboard text|unicode  prints the clipboard's CF_TEXT, or
//       its CF_UNICODETEXT in the ANSI code page, as it is
//   list_probe --steps SECONDS  prints each step the waiting window's step
//       line shows until the window goes; fails with fewer than two
//   list_probe --about-text  prints the version line of the About box
// The dialog counts once it is visible: it comes on screen only when the
// collection run is over. Exit status 1 when no such dialog is found.
#include <windows.h>
#include <commctrl.h>

#include <fcntl.h>
#include <io.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "app/console_table.h"
#include "app/result_list.h"
#include "app/win32/resource.h"
#include "platform/win32/win32_handles.h"

namespace {

using tarnwick::win32::KernelHandle;

// The notice box has the same class and caption; only the main dialog holds
// the list.
HWND FindMainDialog() {
  HWND candidate = nullptr;
  while ((candidate = ::FindWindowExA(nullptr, candidate, "#32770", "Tarnwick")) != nullptr) {
    if (::IsWindowVisible(candidate) && ::GetDlgItem(candidate, IDC_RESULT_LIST) != nullptr) return candidate;
  }
  return nullptr;
}

// Memory inside the dialog's process, where the list view can write texts.
class RemoteBuffer {
 public:
  RemoteBuffer(HANDLE process, std::size_t size)
      : process_(process), address_(::VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE)) {}
  RemoteBuffer(const RemoteBuffer&) = delete;
  RemoteBuffer& operator=(const RemoteBuffer&) = delete;
  ~RemoteBuffer() {
    if (address_ != nullptr) ::VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
  }
  char* Address() const { return static_cast<char*>(address_); }
  bool Valid() const { return address_ != nullptr; }

 private:
  HANDLE process_;
  void* address_;
};

constexpr std::size_t kTextSize = 1024;

// Reads one cell through LVM_GETITEMTEXTA, with the item and the text buffer
// placed in the list's own process.
bool ReadCell(HWND list, HANDLE process, const RemoteBuffer& remote, int row, int column, std::string& text) {
  char* const remoteText = remote.Address() + sizeof(LVITEMA);
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = remoteText;
  item.cchTextMax = static_cast<int>(kTextSize);
  SIZE_T moved = 0;
  if (!::WriteProcessMemory(process, remote.Address(), &item, sizeof item, &moved)) return false;
  ::SendMessageA(list, LVM_GETITEMTEXTA, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote.Address()));
  std::vector<char> local(kTextSize + 1, '\0');
  if (!::ReadProcessMemory(process, remoteText, local.data(), kTextSize, &moved)) return false;
  text.assign(local.data(), ::strnlen(local.data(), kTextSize));
  return true;
}

// The rows at these indexes, read in the dialog's process; nothing when
// they cannot be read.
std::optional<std::vector<tarnwick::ReportEntry>> ReadRows(HWND dialog, HWND list, const std::vector<int>& indexes) {
  DWORD processId = 0;
  ::GetWindowThreadProcessId(dialog, &processId);
  KernelHandle process(::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId));
  if (!process) {
    std::cerr << "list_probe: cannot open the dialog's process\n";
    return std::nullopt;
  }
  RemoteBuffer remote(process.Get(), sizeof(LVITEMA) + kTextSize);
  if (!remote.Valid()) {
    std::cerr << "list_probe: cannot place a buffer in the dialog's process\n";
    return std::nullopt;
  }
  std::vector<tarnwick::ReportEntry> rows(indexes.size());
  for (std::size_t i = 0; i < indexes.size(); ++i) {
    auto& entry = rows[i];
    if (!ReadCell(list, process.Get(), remote, indexes[i], 0, entry.section) ||
        !ReadCell(list, process.Get(), remote, indexes[i], 1, entry.key) ||
        !ReadCell(list, process.Get(), remote, indexes[i], 2, entry.value)) {
      std::cerr << "list_probe: cannot read row " << indexes[i] << '\n';
      return std::nullopt;
    }
  }
  return rows;
}

int PrintTable(HWND dialog, HWND list) {
  const auto count = static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  std::vector<int> indexes;
  for (int row = 0; row < count; ++row) indexes.push_back(row);
  const auto rows = ReadRows(dialog, list, indexes);
  if (!rows) return 1;
  tarnwick::PrintRowTable(std::cout, *rows, false);
  std::cout << '\n' << count << " entries\n";
  return 0;
}

void BinaryStandardOutput() { ::_setmode(::_fileno(stdout), _O_BINARY); }

// The selected rows, TAB between the cells, each line ended by CR LF.
int PrintSelected(HWND dialog, HWND list) {
  std::vector<int> indexes;
  int row = -1;
  while ((row = static_cast<int>(::SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(row),
                                                MAKELPARAM(LVNI_SELECTED, 0)))) >= 0) {
    indexes.push_back(row);
  }
  const auto rows = ReadRows(dialog, list, indexes);
  if (!rows) return 1;
  BinaryStandardOutput();
  for (const auto& entry : *rows) {
    std::printf("%s\t%s\t%s\r\n", entry.section.c_str(), entry.key.c_str(), entry.value.c_str());
  }
  return 0;
}

RECT PlaceInDialog(HWND dialog, HWND control) {
  RECT place;
  ::GetWindowRect(control, &place);
  ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&place), 2);
  return place;
}

int PrintLayout(HWND dialog, HWND list) {
  RECT window;
  RECT client;
  ::GetWindowRect(dialog, &window);
  ::GetClientRect(dialog, &client);
  const RECT listPlace = PlaceInDialog(dialog, list);
  const RECT close = PlaceInDialog(dialog, ::GetDlgItem(dialog, IDCANCEL));
  std::printf("window %ld %ld\n", window.right - window.left, window.bottom - window.top);
  std::printf("list %ld %ld %ld %ld\n", listPlace.left, listPlace.top, listPlace.right - listPlace.left,
              listPlace.bottom - listPlace.top);
  // The Close button's distance from the client area's bottom-right corner.
  std::printf("close %ld %ld\n", client.right - close.right, client.bottom - close.bottom);
  std::printf("columns");
  for (int column = 0; column < 3; ++column) {
    std::printf(" %ld", static_cast<long>(::SendMessageA(list, LVM_GETCOLUMNWIDTH, column, 0)));
  }
  const auto styles = static_cast<DWORD>(::SendMessageA(list, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
  std::printf("\nfullrow %d\n", (styles & LVS_EX_FULLROWSELECT) != 0 ? 1 : 0);
  return 0;
}

int PrintClipboard(const std::string& form) {
  if (!::OpenClipboard(nullptr)) return 1;
  std::string text;
  bool found = false;
  if (form == "text") {
    if (HANDLE data = ::GetClipboardData(CF_TEXT)) {
      if (const char* bytes = static_cast<const char*>(::GlobalLock(data))) {
        text = bytes;
        found = true;
        ::GlobalUnlock(data);
      }
    }
  } else if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
    if (const wchar_t* wide = static_cast<const wchar_t*>(::GlobalLock(data))) {
      const int size = ::WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
      if (size > 0) {
        text.resize(static_cast<std::size_t>(size));
        ::WideCharToMultiByte(CP_ACP, 0, wide, -1, text.data(), size, nullptr, nullptr);
        text.resize(std::strlen(text.c_str()));
        found = true;
      }
      ::GlobalUnlock(data);
    }
  }
  ::CloseClipboard();
  if (!found) return 1;
  BinaryStandardOutput();
  std::fwrite(text.data(), 1, text.size(), stdout);
  return 0;
}

// The waiting window: a visible dialog without a title that has a step line.
HWND FindWaitingWindow() {
  HWND candidate = nullptr;
  while ((candidate = ::FindWindowExA(nullptr, candidate, "#32770", nullptr)) != nullptr) {
    if (::IsWindowVisible(candidate) && ::GetDlgItem(candidate, IDC_WAIT_STEP) != nullptr) return candidate;
  }
  return nullptr;
}

int PrintSteps(double seconds) {
  const DWORD deadline = ::GetTickCount() + static_cast<DWORD>(seconds * 1000);
  std::vector<std::string> shown;
  bool seen = false;
  while (static_cast<LONG>(deadline - ::GetTickCount()) > 0) {
    HWND wait = FindWaitingWindow();
    if (wait == nullptr && seen) break;  // the run is over
    if (wait != nullptr) {
      seen = true;
      std::array<char, 512> text{};
      ::GetDlgItemTextA(wait, IDC_WAIT_STEP, text.data(), static_cast<int>(text.size()));
      const std::string step = text.data();
      if (!step.empty() && (shown.empty() || shown.back() != step)) {
        shown.push_back(step);
        std::cout << step << std::endl;
      }
    }
    ::Sleep(20);
  }
  return shown.size() >= 2 ? 0 : 1;
}

int PrintAboutText() {
  HWND about = ::FindWindowA("#32770", "About Tarnwick");
  if (about == nullptr) return 1;
  std::array<char, 256> text{};
  ::GetDlgItemTextA(about, IDC_ABOUT_VERSION, text.data(), static_cast<int>(text.size()));
  std::cout << text.data() << '\n';
  return 0;
}

int Usage() {
  std::cerr << "Usage: list_probe [--wait SECONDS] [--table | --note | --about | --syscommand VALUE | --layout | --selected]\n"
               "       list_probe --clipboard text|unicode | --steps SECONDS | --about-text\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  double waitSeconds = 0;
  std::string action = "count";
  WPARAM command = IDM_ABOUT;  // the About item that the dialog adds to its system menu
  for (int index = 1; index < argc; ++index) {
    const std::string option = argv[index];
    if (option == "--wait" && index + 1 < argc) {
      waitSeconds = std::atof(argv[++index]);
    } else if (option == "--table") {
      action = "table";
    } else if (option == "--note") {
      action = "note";
    } else if (option == "--about") {
      action = "command";
    } else if (option == "--layout" || option == "--selected") {
      action = option.substr(2);
    } else if (option == "--clipboard" && index + 1 < argc) {
      return PrintClipboard(argv[index + 1]);
    } else if (option == "--steps" && index + 1 < argc) {
      return PrintSteps(std::atof(argv[index + 1]));
    } else if (option == "--about-text") {
      return PrintAboutText();
    } else if (option == "--syscommand" && index + 1 < argc) {
      action = "command";
      command = static_cast<WPARAM>(std::strtoul(argv[++index], nullptr, 0));
    } else {
      return Usage();
    }
  }

  const DWORD deadline = ::GetTickCount() + static_cast<DWORD>(waitSeconds * 1000);
  HWND dialog = FindMainDialog();
  while (dialog == nullptr && static_cast<LONG>(deadline - ::GetTickCount()) > 0) {
    ::Sleep(100);
    dialog = FindMainDialog();
  }
  if (dialog == nullptr) {
    std::cerr << "list_probe: no visible Tarnwick dialog with a list\n";
    return 1;
  }
  HWND list = ::GetDlgItem(dialog, IDC_RESULT_LIST);

  if (action == "command") return ::PostMessageA(dialog, WM_SYSCOMMAND, command, 0) ? 0 : 1;
  if (action == "table") return PrintTable(dialog, list);
  if (action == "layout") return PrintLayout(dialog, list);
  if (action == "selected") return PrintSelected(dialog, list);
  if (action == "note") {
    char note[512] = {};
    ::GetDlgItemTextA(dialog, IDC_REPORT_NOTE, note, sizeof note);
    std::cout << note << '\n';
    return 0;
  }
  std::cout << ::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) << '\n';
  return 0;
}
