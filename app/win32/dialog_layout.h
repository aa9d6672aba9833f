// The main dialog resized: the list and its group box grow with the window,
// the buttons keep their place relative to the bottom-right corner, and the
// window is never smaller than it first came on screen.
#pragma once

#include <windows.h>

#include <array>

#include "app/win32/resource.h"

namespace tarnwick::win32 {

enum class Anchor { Grow, FollowBottomRight };

struct AnchoredControl {
  int id;
  Anchor anchor;
};

inline constexpr std::array<AnchoredControl, 3> kAnchoredControls = {{
    {IDC_RESULT_LIST, Anchor::Grow},
    {IDC_LIST_GROUP, Anchor::Grow},
    {IDCANCEL, Anchor::FollowBottomRight},
}};

class DialogLayout {
 public:
  // Takes the dialog's first size and its controls' places.
  void Capture(HWND dialog);
  // Places the controls for the dialog's present client size.
  void Apply(HWND dialog) const;
  // The least window size, for WM_GETMINMAXINFO; nothing before Capture.
  bool LimitTracking(MINMAXINFO& limits) const;

 private:
  bool captured_ = false;
  SIZE firstWindow_{};
  SIZE firstClient_{};
  std::array<RECT, kAnchoredControls.size()> firstPlaces_{};
};

}  // namespace tarnwick::win32
