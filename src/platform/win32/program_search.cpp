#include "platform/win32/program_search.h"

#include <windows.h>

namespace quillset::win32 {

namespace {

std::string SystemFolder(UINT(WINAPI* query)(LPSTR, UINT)) {
  char folder[MAX_PATH];
  const UINT length = query(folder, MAX_PATH);
  return length < MAX_PATH ? std::string(folder, length) : std::string();
}

// "C:\..." or "\\server\..."; anything else ("", ".", "bin", "C:bin", "\bin") depends on the
// current folder.
bool NamesItsDrive(const std::string& folder) {
  return folder.starts_with("\\\\") ||
         (folder.size() > 2 && folder[1] == ':' && (folder[2] == '\\' || folder[2] == '/'));
}

}  // namespace

std::optional<std::string> ApplicationName(const std::string& command_line) {
  // The first word as CreateProcess takes it: up to the closing quote or to the first blank.
  const std::size_t quoted = command_line.starts_with('"') ? 1 : 0;
  const std::string name = command_line.substr(
      quoted, command_line.find_first_of(quoted ? "\"" : " \t", quoted) - quoted);
  if (name.find_first_of("\\/:") != std::string::npos)
    return "";
  std::string path(GetEnvironmentVariableA("PATH", nullptr, 0), '\0');
  path.resize(GetEnvironmentVariableA("PATH", path.data(), static_cast<DWORD>(path.size())));
  const std::string candidates = SystemFolder(&GetSystemDirectoryA) + ";" +
                                 SystemFolder(&GetWindowsDirectoryA) + ";" + path + ";";
  std::string folders;
  for (std::size_t begin = 0, end = 0; begin < candidates.size(); begin = end + 1) {
    end = candidates.find(';', begin);
    const std::string folder = candidates.substr(begin, end - begin);
    if (NamesItsDrive(folder))
      folders += (folders.empty() ? "" : ";") + folder;
  }
  // No empty list or entry goes to SearchPath: either could stand for the current folder.
  char found[MAX_PATH];
  const DWORD length = folders.empty() ? 0
                                       : SearchPathA(folders.c_str(), name.c_str(), ".exe",
                                                     MAX_PATH, found, nullptr);
  if (length == 0 || length >= MAX_PATH)
    return std::nullopt;
  return std::string(found, length);
}

}  // namespace quillset::win32
