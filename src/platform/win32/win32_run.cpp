#include "platform/win32/win32_run.h"

#include "platform/win32/ansi_text.h"
#include "platform/win32/log_file.h"

namespace quillset::win32 {

namespace {

// Global: one run per machine, whichever session it was started in (a deployment tool's, a
// user's). Windows Installer holds _MSIExecute while it installs anything.
constexpr wchar_t kRunMutexName[] = L"Global\\quillset-assistant-run";
constexpr wchar_t kInstallerMutexName[] = L"Global\\_MSIExecute";

// Whether a mutex of the name exists, also one this program may not open.
bool MutexExists(const wchar_t* name) {
  const ScopedHandle mutex(OpenMutexW(SYNCHRONIZE, FALSE, name));
  return mutex || GetLastError() == ERROR_ACCESS_DENIED;
}

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
  // Refused creation: the mutex may exist (another user's run, our access denied) or the right to
  // create global objects is missing; only the first is another run.
  if (mutex != nullptr ? created == ERROR_ALREADY_EXISTS : MutexExists(kRunMutexName))
    return false;
  return !MutexExists(kInstallerMutexName);
}

void Win32Run::ShowBox(const std::string& prompt, int style, const std::string& title) {
  MessageBoxW(nullptr, Utf8ToWide(prompt).c_str(), Utf8ToWide(title).c_str(),
              static_cast<UINT>(style));
}

}  // namespace quillset::win32
