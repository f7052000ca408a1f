#include "driver/program_state.h"

#include <windows.h>
// After windows.h, which it needs.
#include <tlhelp32.h>

#include <utility>
#include <vector>

#include "platform/win32/ansi_text.h"
#include "platform/win32/handle.h"

namespace quillset::e2e {

namespace {

using platform::ControlId;

// The programs the process started that are still running, and the ones they started.
std::string RunningDescendants(DWORD process_id) {
  win32::ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot || snapshot.get() == INVALID_HANDLE_VALUE)
    return "unknown";
  std::vector<std::pair<DWORD, PROCESSENTRY32W>> all;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more;
       more = Process32NextW(snapshot.get(), &entry)) {
    all.emplace_back(entry.th32ParentProcessID, entry);
  }
  std::vector<DWORD> parents = {process_id};
  std::string names;
  for (std::size_t next = 0; next < parents.size(); ++next) {
    for (const auto& [parent, child] : all) {
      if (parent != parents[next] || child.th32ProcessID == process_id)
        continue;
      parents.push_back(child.th32ProcessID);
      names += (names.empty() ? "" : ", ") + win32::WideToUtf8(child.szExeFile);
    }
  }
  return names.empty() ? "none" : names;
}

}  // namespace

std::string DescribeProgramState(const QuillsetApp& app) {
  if (!app.program().IsRunning())
    return "the program has ended";
  std::string state = "pages shown:";
  const std::pair<ControlId, const char*> pages[] = {
      {ControlId::Frame_installationOK, " introduction"},
      {ControlId::Frame_installationGefundeneInstanzen, " found-databases"},
      {ControlId::Frame_installationAbbruchAlteVersion, " old-version"},
      {ControlId::Frame_installationWarten, " wait"},
  };
  for (const auto& [page, name] : pages) {
    if (IsShown(app.Control(page, Millis(1000))))
      state += name;
  }
  state += IsEnabled(app.window()) ? "; window enabled" : "; window disabled";
  for (HWND window : TopLevelWindowsOf(app.id())) {
    if (window != app.window() && IsShown(window)) {
      state += "; box \"" + TextOf(window) + "\"";
      const HWND text = GetDlgItem(window, 0xFFFF);
      if (text != nullptr)
        state += ": " + TextOf(text);
    }
  }
  return state + "; programs it started still running: " + RunningDescendants(app.id());
}

}  // namespace quillset::e2e
