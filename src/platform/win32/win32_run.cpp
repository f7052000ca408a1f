#include "platform/win32/win32_run.h"

#include "platform/win32/ansi_text.h"
#include "platform/win32/log_file.h"

namespace quillset::win32 {

namespace {

// Global: one run per machine, whichever session it was started in (a deployment tool's, a
// user's). Windows Installer holds _MSIExecute while it installs anything.
constexpr wchar_t kRunMutexName[] = L"Global\\quillset-assistant-run";
constexpr wchar_t kInstallerMutexName[] = L"Global\\_MSIExecute";

}  // namespace

std::string Win32Run::CommandLineText() {
  return WideToUtf8(GetCommandLineW());
}

std::unique_ptr<platform::LogPort> Win32Run::OpenLog(const std::string& path) {
  return LogFile::Open(path);
}

bool Win32Run::ClaimMachine() {
  HANDLE mutex = CreateMutexW(nullptr, FALSE, kRunMutexName);
  const DWORD created = GetLastError();
  run_mutex_.reset(mutex);
  // A mutex another user's run created may deny us access: it exists all the same.
  if (mutex == nullptr ? created == ERROR_ACCESS_DENIED : created == ERROR_ALREADY_EXISTS)
    return false;
  const ScopedHandle installer(OpenMutexW(SYNCHRONIZE, FALSE, kInstallerMutexName));
  return !installer && GetLastError() != ERROR_ACCESS_DENIED;
}

void Win32Run::ShowBox(const std::string& prompt, int style, const std::string& title) {
  MessageBoxW(nullptr, Utf8ToWide(prompt).c_str(), Utf8ToWide(title).c_str(),
              static_cast<UINT>(style));
}

}  // namespace quillset::win32
