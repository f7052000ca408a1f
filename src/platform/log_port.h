// The run's own log: lines appended one by one. The adapter puts the local time in front of each
// line and ends it; a line that cannot be written is dropped and never changes what the run does.
#pragma once

#include <string>

namespace quillset::platform {

class LogPort {
 public:
  virtual ~LogPort() = default;
  // One line of UTF-8 text, without a line end.
  virtual void AppendLine(const std::string& line) = 0;
};

// The log of an interactive run without /log: nothing is kept.
class NullLog final : public LogPort {
 public:
  void AppendLine(const std::string&) override {}
};

}  // namespace quillset::platform
