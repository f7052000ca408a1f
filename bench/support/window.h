// Looking at another program's windows without disturbing it: the searches below send it no
// message (under Wine, GetWindowTextW reads the system's copy of another process's window text).
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace quillset::bench {

class JobProgram;

// The visible top-level window of the process that is (or is not) a dialog box (#32770).
HWND TopWindow(DWORD process, bool dialog);
// A visible button of the window with exactly this caption, e.g. L"&Weiter".
HWND VisibleButton(HWND window, const std::wstring& caption);
// Waits until the program's main window shows its visible "&Weiter" button; returns the button.
HWND WaitForWeiter(const JobProgram& program, HWND& window);

// Sends WM_NULL to a window about every 10 ms from a thread of its own and notes when each was
// sent and answered.
class Prober {
 public:
  explicit Prober(HWND window);
  ~Prober() { Stop(); }

  // Stops probing. The longest time within [from, to] a message waited for its answer, in ms;
  // throws when the probes did not span that stretch.
  double LongestUnansweredMs(std::int64_t from, std::int64_t to);

 private:
  void Stop();
  std::atomic<bool> stop_{false};
  std::vector<std::pair<std::int64_t, std::int64_t>> probes_;
  std::thread thread_;
};

}  // namespace quillset::bench
