#include "app/win32/list_view_rows.h"

#include <commctrl.h>

#include <algorithm>
#include <cstring>

#include "app/row_copy.h"
#include "platform/win32/win32_handles.h"
#include "platform/win32/win32_text.h"

namespace tarnwick::win32 {
namespace {

constexpr UINT kCopyCommand = 1;

void DestroyMenuHandle(HMENU menu) { ::DestroyMenu(menu); }
using OwnedMenu = Owned<NullableTraits<HMENU, DestroyMenuHandle>>;
void FreeGlobal(HGLOBAL memory) { ::GlobalFree(memory); }
using OwnedGlobal = Owned<NullableTraits<HGLOBAL, FreeGlobal>>;

void SetText(HWND list, int index, int subItem, std::string text) {
  LVITEMA item{};
  item.iSubItem = subItem;
  item.pszText = text.data();
  ::SendMessageA(list, LVM_SETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item));
}

// Hands bytes to the open clipboard in the given format; the clipboard owns
// them once it took them.
bool PutOnClipboard(UINT format, const void* bytes, std::size_t size) {
  OwnedGlobal memory(::GlobalAlloc(GMEM_MOVEABLE, size));
  if (!memory) return false;
  void* target = ::GlobalLock(memory.Get());
  if (target == nullptr) return false;
  std::memcpy(target, bytes, size);
  ::GlobalUnlock(memory.Get());
  if (::SetClipboardData(format, memory.Get()) == nullptr) return false;
  static_cast<void>(memory.Release());
  return true;
}

}  // namespace

ListViewRows::ListViewRows(HWND list) : list_(list) {
  ::SendMessageA(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
}

void ListViewRows::SetUpColumns() {
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

void ListViewRows::InsertRow(int index, const ReportEntry& entry) {
  std::string section = entry.section;
  LVITEMA item{};
  item.mask = LVIF_TEXT;
  item.iItem = index;
  item.pszText = section.data();
  const auto inserted = static_cast<int>(::SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
  if (inserted < 0) return;
  SetText(list_, inserted, 1, entry.key);
  SetText(list_, inserted, 2, entry.value);
  rows_.insert(rows_.begin() + std::min<std::size_t>(static_cast<std::size_t>(inserted), rows_.size()), entry);
}

void ListViewRows::FitColumns() {
  for (std::size_t index = 0; index < kListColumns.size(); ++index) {
    ::SendMessageA(list_, LVM_SETCOLUMNWIDTH, index, MAKELPARAM(LVSCW_AUTOSIZE, 0));
    const auto content = static_cast<int>(::SendMessageA(list_, LVM_GETCOLUMNWIDTH, index, 0));
    const int width = std::clamp(content, kListColumns[index].widthPixels, kWidestFittedColumn);
    ::SendMessageA(list_, LVM_SETCOLUMNWIDTH, index, MAKELPARAM(width, 0));
  }
}

void ListViewRows::SelectAll() {
  LVITEMA item{};
  item.stateMask = LVIS_SELECTED;
  item.state = LVIS_SELECTED;
  ::SendMessageA(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
}

std::vector<ReportEntry> ListViewRows::SelectedRows() const {
  std::vector<ReportEntry> selected;
  int index = -1;
  while ((index = static_cast<int>(::SendMessageA(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(index),
                                                  MAKELPARAM(LVNI_SELECTED, 0)))) >= 0) {
    if (static_cast<std::size_t>(index) >= rows_.size()) break;
    selected.push_back(rows_[static_cast<std::size_t>(index)]);
  }
  return selected;
}

bool ListViewRows::CopySelection(HWND owner) {
  const std::vector<ReportEntry> selected = SelectedRows();
  if (selected.empty()) return false;
  const std::string ansi = CopiedRowsText(selected);
  const std::wstring wide = WideFromAnsi(ansi);
  if (!::OpenClipboard(owner)) return false;
  ::EmptyClipboard();
  // Both forms, each ending in its zero, so no reader depends on the
  // system's conversion between them.
  const bool copied = PutOnClipboard(CF_UNICODETEXT, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t)) &&
                      PutOnClipboard(CF_TEXT, ansi.c_str(), ansi.size() + 1);
  ::CloseClipboard();
  return copied;
}

void ListViewRows::ShowContextMenu(HWND owner, POINT at) {
  if (at.x == -1 && at.y == -1) {
    // From the keyboard: at the focused row, or the list's corner.
    RECT place{LVIR_BOUNDS, 0, 0, 0};
    const auto focused = static_cast<int>(::SendMessageA(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1),
                                                         MAKELPARAM(LVNI_FOCUSED, 0)));
    if (focused < 0 || !::SendMessageA(list_, LVM_GETITEMRECT, focused, reinterpret_cast<LPARAM>(&place))) {
      place = RECT{};
    }
    at = POINT{place.left + 8, place.bottom};
    ::ClientToScreen(list_, &at);
  }
  OwnedMenu menu(::CreatePopupMenu());
  if (!menu) return;
  const UINT state = SelectedRows().empty() ? MF_GRAYED : MF_ENABLED;
  ::AppendMenuA(menu.Get(), MF_STRING | state, kCopyCommand, "Copy");
  const auto chosen = static_cast<UINT>(
      ::TrackPopupMenu(menu.Get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, at.x, at.y, 0, owner, nullptr));
  if (chosen == kCopyCommand) CopySelection(owner);
}

}  // namespace tarnwick::win32
