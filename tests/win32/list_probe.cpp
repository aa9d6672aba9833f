// list_probe.exe: looks at the main dialog of a running Tarnwick.exe from
// outside, for the GUI tests.
//   list_probe [--wait SECONDS]           prints the number of rows in the list
//   list_probe [--wait SECONDS] --table   prints the rows as tarnwick-cli does
//   list_probe [--wait SECONDS] --about   asks the dialog to open its About box
//   list_probe [--wait SECONDS] --note    prints the line above the list
//   list_probe [--wait SECONDS] --syscommand VALUE   posts that system command
// The dialog counts once it is visible: it comes on screen only when the
// collection run is over. Exit status 1 when no such dialog is found.
#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <cstring>
#include <iostream>
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

int PrintTable(HWND dialog, HWND list) {
  DWORD processId = 0;
  ::GetWindowThreadProcessId(dialog, &processId);
  KernelHandle process(::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId));
  if (!process) {
    std::cerr << "list_probe: cannot open the dialog's process\n";
    return 1;
  }
  RemoteBuffer remote(process.Get(), sizeof(LVITEMA) + kTextSize);
  if (!remote.Valid()) {
    std::cerr << "list_probe: cannot place a buffer in the dialog's process\n";
    return 1;
  }
  const auto count = static_cast<int>(::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
  std::vector<tarnwick::ReportEntry> rows(static_cast<std::size_t>(count));
  for (int row = 0; row < count; ++row) {
    auto& entry = rows[static_cast<std::size_t>(row)];
    if (!ReadCell(list, process.Get(), remote, row, 0, entry.section) ||
        !ReadCell(list, process.Get(), remote, row, 1, entry.key) ||
        !ReadCell(list, process.Get(), remote, row, 2, entry.value)) {
      std::cerr << "list_probe: cannot read row " << row << '\n';
      return 1;
    }
  }
  tarnwick::PrintRowTable(std::cout, rows, false);
  std::cout << '\n' << count << " entries\n";
  return 0;
}

int Usage() {
  std::cerr << "Usage: list_probe [--wait SECONDS] [--table | --note | --about | --syscommand VALUE]\n";
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
  if (action == "note") {
    char note[512] = {};
    ::GetDlgItemTextA(dialog, IDC_REPORT_NOTE, note, sizeof note);
    std::cout << note << '\n';
    return 0;
  }
  std::cout << ::SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) << '\n';
  return 0;
}
