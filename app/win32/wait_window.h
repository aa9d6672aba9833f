// The captionless "Please wait ..." window (template 136) on a thread of its
// own with its own message loop, so it keeps painting while the run, on the
// main thread, waits for one platform call for seconds. It shows the step
// that runs, told by the run through RunObserver.
#pragma once

#include <windows.h>

#include <memory>
#include <string_view>

#include "app/report_dialog.h"
#include "platform/win32/win32_handles.h"

namespace tarnwick::win32 {

class WaitWindow final : public RunObserver {
 public:
  // Returns once the window is on screen (or could not be made: the run
  // then goes on without it).
  explicit WaitWindow(HINSTANCE instance);
  WaitWindow(const WaitWindow&) = delete;
  WaitWindow& operator=(const WaitWindow&) = delete;
  // Closes the window and waits for its thread.
  ~WaitWindow() override;

  void StepStarted(std::string_view step) override;
  void EntriesWritten(int count) override;

  struct Shared;

 private:
  void Refresh();

  // Shared with the window's thread; left behind if that thread does not
  // end in time, since it may still read it.
  std::unique_ptr<Shared> shared_;
  KernelHandle thread_;
};

}  // namespace tarnwick::win32
