#include "platform/win32/log_file.h"

#include <cstdio>

#include "platform/win32/ansi_text.h"

namespace quillset::win32 {

std::unique_ptr<LogFile> LogFile::Open(const std::string& path) {
  // Append access only: every write lands at the end, whatever else writes to the file.
  ScopedFile file(CreateFileW(Utf8ToWide(path).c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                              nullptr));
  if (!file)
    return nullptr;
  LARGE_INTEGER size{};
  const bool empty = GetFileSizeEx(file.get(), &size) && size.QuadPart == 0;
  std::unique_ptr<LogFile> log(new LogFile(std::move(file)));
  if (empty)
    log->Write("\xEF\xBB\xBF");
  return log;
}

void LogFile::AppendLine(const std::string& line) {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u ", now.wYear, now.wMonth,
                now.wDay, now.wHour, now.wMinute, now.wSecond);
  Write(stamp + line + "\r\n");
}

void LogFile::Write(const std::string& bytes) {
  DWORD written = 0;
  WriteFile(file_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

}  // namespace quillset::win32
