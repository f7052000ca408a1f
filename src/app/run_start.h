// A run before its form and after it: the command line read, the log opened with its header line,
// the machine claimed, /? answered; at the end the exit code logged.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "app/command_line.h"
#include "app/exit_code.h"
#include "platform/log_port.h"
#include "platform/run_port.h"
#include "platform/system_port.h"

namespace quillset {

// The log of a quiet run without /log, in the folder TEMP names as the run finds it.
inline constexpr const char* kQuietLogName = "quillset-assistant.log";

struct RunStart {
  CommandLine command;
  std::unique_ptr<platform::LogPort> log;  // the null log when none is kept
  std::optional<ExitCode> ended;           // set when the run ends before its form
};

// In this order: the command line read (quiet decided first), the log opened when /log or /quiet
// asks for it (1622 when it cannot be), the command line judged (1639), the machine claimed
// (1618), /? answered (0). The reason a run ends here is shown in a box, or in a quiet run only
// logged.
RunStart StartRun(platform::RunPort& run, platform::SystemPort& system);

// A message as the log keeps it: a line with the title and style, whether it was shown, then one
// indented line per line of its text.
void LogMessage(platform::LogPort& log, const std::string& text, int style,
                const std::string& title, bool shown);

// Logs the exit code; returns it as main returns it.
int EndRun(platform::LogPort& log, ExitCode code);

}  // namespace quillset
