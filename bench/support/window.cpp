#include "support/window.h"

#include <algorithm>

#include "support/clock.h"
#include "support/job.h"

namespace quillset::bench {

namespace {

struct Search {
  DWORD process;                // top-level windows: of this process,
  bool dialog;                  // message boxes (#32770) or not;
  const std::wstring* caption;  // controls: buttons with this caption
  HWND found;
};

bool IsClass(HWND window, const wchar_t* name) {
  wchar_t found[64] = {};
  GetClassNameW(window, found, 64);
  return _wcsicmp(found, name) == 0;
}

std::wstring CaptionOf(HWND window) {
  wchar_t caption[256] = {};
  GetWindowTextW(window, caption, 256);
  return caption;
}

// Enumeration callbacks are stdcall on i686, which a lambda cannot be.
BOOL CALLBACK Match(HWND window, LPARAM context) {
  auto& search = *reinterpret_cast<Search*>(context);
  DWORD owner = 0;
  GetWindowThreadProcessId(window, &owner);
  const bool match = search.caption == nullptr
                         ? owner == search.process && IsClass(window, L"#32770") == search.dialog
                         : IsClass(window, L"Button") && CaptionOf(window) == *search.caption;
  if (!match || !IsWindowVisible(window))
    return TRUE;
  search.found = window;
  return FALSE;
}

}  // namespace

HWND TopWindow(DWORD process, bool dialog) {
  Search search{process, dialog, nullptr, nullptr};
  EnumWindows(&Match, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND VisibleButton(HWND window, const std::wstring& caption) {
  Search search{0, false, &caption, nullptr};
  EnumChildWindows(window, &Match, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND WaitForWeiter(const JobProgram& program, HWND& window) {
  HWND button = nullptr;
  WaitUntil("the \"&Weiter\" button", 30000, [&] {
    window = TopWindow(program.id(), false);
    button = window == nullptr ? nullptr : VisibleButton(window, L"&Weiter");
    return button != nullptr;
  });
  return button;
}

Prober::Prober(HWND window) {
  thread_ = std::thread([this, window] {
    while (!stop_) {
      const std::int64_t sent = Now();
      DWORD_PTR answer = 0;
      SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 60000, &answer);
      probes_.emplace_back(sent, Now());
      Sleep(10);
    }
  });
}

void Prober::Stop() {
  stop_ = true;
  if (thread_.joinable())
    thread_.join();
}

double Prober::LongestUnansweredMs(std::int64_t from, std::int64_t to) {
  Stop();
  // Up to the pause between two probes (10 ms, more on a busy machine) may go unseen at the end.
  if (probes_.empty() || probes_.front().first > from || probes_.back().second < to - 500000)
    throw std::runtime_error("the probes did not span the stretch measured");
  std::int64_t longest = 0;
  for (const auto& [sent, answered] : probes_)
    longest = std::max(longest, std::min(answered, to) - std::max(sent, from));
  return Ms(longest);
}

}  // namespace quillset::bench
