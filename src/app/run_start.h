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

// What a run asks of the form beyond its ports: the instance name proposed first (/instance), and
// whether the MSDE setup runs without its interface (a quiet run).
struct RunOptions {
  std::string proposed_name = "GLOBANA";  // the name the Globana system needs
  bool setup_without_interface = false;
};

struct RunStart {
  CommandLine command;
  RunOptions options;
  std::unique_ptr<platform::LogPort> log;  // the null log when none is kept
  std::optional<ExitCode> ended;           // set when the run ends before its form
};

// In this order: the command line read (quiet decided first), the log opened when /log or /quiet
// asks for it (1622 when it cannot be), the command line judged (1639), the machine claimed
// (1618), /? answered (0). The reason a run ends here is shown in a box, or in a quiet run only
// logged.
RunStart StartRun(platform::RunPort& run, platform::SystemPort& system);

// A heading line, then one line per line of the text (CR or LF end a line), without blanks and
// tabs at either end, indented by two blanks; empty lines are left out.
void LogText(platform::LogPort& log, const std::string& heading, const std::string& text);

// A message as the log keeps it: its title and style, whether it was shown, then its text.
void LogMessage(platform::LogPort& log, const std::string& text, int style,
                const std::string& title, bool shown);

// Logs the exit code; returns it as main returns it.
int EndRun(platform::LogPort& log, ExitCode code);

}  // namespace quillset
