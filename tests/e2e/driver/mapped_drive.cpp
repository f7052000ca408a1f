#include "driver/mapped_drive.h"

#include <windows.h>

#include "driver/paths.h"
#include "driver/wait.h"
#include "platform/win32/ansi_text.h"
#include "platform/win32/handle.h"

namespace quillset::e2e {

namespace {

bool DriveAnswers(const std::wstring& root) {
  const DWORD attributes = GetFileAttributesW(root.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Starts a Linux program. Wine does not report its end reliably, so callers wait for its effect.
void StartLinuxProgram(const std::string& command_line) {
  std::wstring line = win32::Utf8ToWide(command_line);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started = {};
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &started)) {
    throw DriverError("cannot start " + command_line + ", error " + std::to_string(GetLastError()));
  }
  win32::ScopedHandle process(started.hProcess);
  win32::ScopedHandle thread(started.hThread);
  WaitForSingleObject(process.get(), 10000);
}

}  // namespace

std::string UnixPathOf(const std::wstring& windows_path) {
  using UnixNameFn = char*(CDECL*)(const wchar_t*);
  const auto to_unix = reinterpret_cast<UnixNameFn>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (to_unix == nullptr)
    throw DriverError("not running under Wine: no wine_get_unix_file_name");
  char* unix_path = to_unix(windows_path.c_str());
  if (unix_path == nullptr)
    throw DriverError("Wine has no Linux path for " + win32::WideToUtf8(windows_path));
  std::string result(unix_path);
  HeapFree(GetProcessHeap(), 0, unix_path);
  return result;
}

MappedDrive::MappedDrive(const std::filesystem::path& folder) {
  const DWORD drives = GetLogicalDrives();
  for (wchar_t letter = L'Q'; letter <= L'Y'; ++letter) {
    if ((drives & (1u << (letter - L'A'))) == 0) {
      letter_ = letter;
      break;
    }
  }
  if (letter_ == L'\0')
    throw DriverError("no free drive letter from Q: to Y:");
  // "/prefix/dosdevices/c:/" names C:; its links lie beside it.
  std::string c_drive = UnixPathOf(L"C:\\");
  while (!c_drive.empty() && c_drive.back() == '/')
    c_drive.pop_back();
  const std::string dosdevices = c_drive.substr(0, c_drive.find_last_of('/'));
  link_ = dosdevices + "/" + static_cast<char>(letter_ - L'A' + 'a') + ":";
  // -f: a link that an interrupted run left behind is replaced.
  StartLinuxProgram("/bin/ln -sfn " + UnixPathOf(folder.wstring()) + " " + link_);
  // The drive's root may answer a moment before the files in it do (seen once: a program
  // there could not be started right after the root answered).
  WaitFor("the drive " + win32::WideToUtf8(root()) + " and its files to appear", kDefaultWait, [&] {
    if (!DriveAnswers(root()))
      return false;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      const std::wstring through_drive = root() + entry.path().filename().wstring();
      if (GetFileAttributesW(through_drive.c_str()) == INVALID_FILE_ATTRIBUTES)
        return false;
    }
    return true;
  });
}

MappedDrive::~MappedDrive() {
  try {
    StartLinuxProgram("/bin/rm -f " + link_);
    WaitFor("the drive " + win32::WideToUtf8(root()) + " to go", kDefaultWait,
            [&] { return !DriveAnswers(root()); });
  } catch (const DriverError&) {
    // The next mapping replaces a link that is left.
  }
}

}  // namespace quillset::e2e
