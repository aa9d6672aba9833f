#include "app/win32/wait_window.h"

#include <atomic>
#include <mutex>
#include <string>

#include "app/run_progress.h"
#include "app/win32/resource.h"

namespace tarnwick::win32 {
namespace {

// Posted by the run's thread: show the newest step text; close.
constexpr UINT kRefreshStep = WM_APP + 1;
constexpr UINT kCloseWait = WM_APP + 2;
// Bounds on waiting for the window's thread to start and to end.
constexpr DWORD kStartBoundMs = 10000;
constexpr DWORD kEndBoundMs = 10000;

}  // namespace

struct WaitWindow::Shared {
  HINSTANCE instance = nullptr;
  KernelHandle ready;
  std::atomic<HWND> window{nullptr};
  std::mutex lock;
  std::string step;
  int entries = 0;
  std::atomic<bool> refreshPending{false};
};

namespace {

void ShowStep(HWND window, WaitWindow::Shared& shared) {
  std::string text;
  {
    std::lock_guard<std::mutex> guard(shared.lock);
    shared.refreshPending = false;
    text = StepProgressText(shared.step, shared.entries);
  }
  ::SetDlgItemTextA(window, IDC_WAIT_STEP, text.c_str());
}

INT_PTR CALLBACK WaitDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      ::SetWindowLongPtrA(window, DWLP_USER, lParam);
      // The step line in the system's plain font: the template's is large.
      ::SendDlgItemMessageA(window, IDC_WAIT_STEP, WM_SETFONT,
                            reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)), FALSE);
      return TRUE;
    case kRefreshStep:
      ShowStep(window, *reinterpret_cast<WaitWindow::Shared*>(::GetWindowLongPtrA(window, DWLP_USER)));
      return TRUE;
    case kCloseWait:
      ::DestroyWindow(window);
      ::PostQuitMessage(0);
      return TRUE;
    case WM_COMMAND:
      // Nothing closes the waiting window but the end of the run.
      return LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL;
    default:
      return FALSE;
  }
}

DWORD WINAPI WaitThread(void* parameter) {
  auto& shared = *static_cast<WaitWindow::Shared*>(parameter);
  HWND window = ::CreateDialogParamA(shared.instance, MAKEINTRESOURCEA(IDD_WAIT_DIALOG), nullptr, WaitDialogProc,
                                     reinterpret_cast<LPARAM>(&shared));
  if (window != nullptr) ::UpdateWindow(window);
  shared.window = window;
  ::SetEvent(shared.ready.Get());
  if (window == nullptr) return 0;
  MSG message;
  while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageA(&message);
  }
  return 0;
}

}  // namespace

WaitWindow::WaitWindow(HINSTANCE instance) : shared_(std::make_unique<Shared>()) {
  shared_->instance = instance;
  shared_->ready.Reset(::CreateEventA(nullptr, TRUE, FALSE, nullptr));
  if (!shared_->ready) return;
  thread_.Reset(::CreateThread(nullptr, 0, WaitThread, shared_.get(), 0, nullptr));
  if (thread_) ::WaitForSingleObject(shared_->ready.Get(), kStartBoundMs);
}

WaitWindow::~WaitWindow() {
  if (!thread_) return;
  const HWND window = shared_->window;
  if (window != nullptr) ::PostMessageA(window, kCloseWait, 0, 0);
  if (::WaitForSingleObject(thread_.Get(), kEndBoundMs) != WAIT_OBJECT_0) {
    // The thread may still start or run: what it reads must outlive it.
    static_cast<void>(shared_.release());
  }
}

void WaitWindow::StepStarted(std::string_view step) {
  {
    std::lock_guard<std::mutex> guard(shared_->lock);
    shared_->step = step;
    shared_->entries = 0;
  }
  Refresh();
}

void WaitWindow::EntriesWritten(int count) {
  {
    std::lock_guard<std::mutex> guard(shared_->lock);
    shared_->entries = count;
  }
  Refresh();
}

void WaitWindow::Refresh() {
  // One refresh waiting in the window's queue is enough: it shows the newest text.
  const HWND window = shared_->window;
  if (window == nullptr || shared_->refreshPending.exchange(true)) return;
  if (!::PostMessageA(window, kRefreshStep, 0, 0)) shared_->refreshPending = false;
}

}  // namespace tarnwick::win32
