// The run's log as a file: appended to, never overwritten, readable by other programs meanwhile;
// UTF-8 with a byte-order mark and CR LF line ends, so Notepad shows the umlauts right.
#pragma once

#include <memory>
#include <string>

#include "platform/log_port.h"
#include "platform/win32/handle.h"

namespace quillset::win32 {

class LogFile final : public platform::LogPort {
 public:
  // Opens the file for appending and creates it when missing, with the byte-order mark when it is
  // empty; nullptr when it cannot be opened (no such folder, no right to write, held by another
  // program without sharing).
  static std::unique_ptr<LogFile> Open(const std::string& path);

  // "YYYY-MM-DD HH:MM:SS " in local time, the line, CR LF; a failed write is dropped.
  void AppendLine(const std::string& line) override;

 private:
  explicit LogFile(ScopedFile file) : file_(std::move(file)) {}
  void Write(const std::string& bytes);

  ScopedFile file_;
};

}  // namespace quillset::win32
