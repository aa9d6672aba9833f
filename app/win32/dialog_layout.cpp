#include "app/win32/dialog_layout.h"

namespace tarnwick::win32 {

void DialogLayout::Capture(HWND dialog) {
  RECT window;
  RECT client;
  ::GetWindowRect(dialog, &window);
  ::GetClientRect(dialog, &client);
  firstWindow_ = SIZE{window.right - window.left, window.bottom - window.top};
  firstClient_ = SIZE{client.right, client.bottom};
  for (std::size_t index = 0; index < kAnchoredControls.size(); ++index) {
    RECT& place = firstPlaces_[index];
    ::GetWindowRect(::GetDlgItem(dialog, kAnchoredControls[index].id), &place);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&place), 2);
  }
  captured_ = true;
}

void DialogLayout::Apply(HWND dialog) const {
  if (!captured_ || ::IsIconic(dialog)) return;
  RECT client;
  ::GetClientRect(dialog, &client);
  // Never less than the first size, even if the system made it smaller.
  const LONG grownX = client.right > firstClient_.cx ? client.right - firstClient_.cx : 0;
  const LONG grownY = client.bottom > firstClient_.cy ? client.bottom - firstClient_.cy : 0;
  HDWP moves = ::BeginDeferWindowPos(static_cast<int>(kAnchoredControls.size()));
  for (std::size_t index = 0; index < kAnchoredControls.size() && moves != nullptr; ++index) {
    RECT place = firstPlaces_[index];
    if (kAnchoredControls[index].anchor == Anchor::Grow) {
      place.right += grownX;
      place.bottom += grownY;
    } else {
      ::OffsetRect(&place, grownX, grownY);
    }
    moves = ::DeferWindowPos(moves, ::GetDlgItem(dialog, kAnchoredControls[index].id), nullptr, place.left, place.top,
                             place.right - place.left, place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (moves != nullptr) ::EndDeferWindowPos(moves);
  // The group box's frame and the freed area are drawn anew.
  ::InvalidateRect(dialog, nullptr, TRUE);
}

bool DialogLayout::LimitTracking(MINMAXINFO& limits) const {
  if (!captured_) return false;
  limits.ptMinTrackSize = POINT{firstWindow_.cx, firstWindow_.cy};
  return true;
}

}  // namespace tarnwick::win32
