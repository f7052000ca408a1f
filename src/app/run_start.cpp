#include "app/run_start.h"

#include "app/messages.h"
#include "install/environment.h"
#include "platform/window_port.h"

namespace quillset {

namespace {

// Tells why the run ends here: in a box, unless the run is quiet; in the log either way.
ExitCode EndsWith(platform::RunPort& run, RunStart& start, ExitCode code, const std::string& text,
                  int style) {
  LogMessage(*start.log, text, style, kApplicationTitle, !start.command.quiet);
  if (!start.command.quiet)
    run.ShowBox(text, style, kApplicationTitle);
  return code;
}

}  // namespace

RunStart StartRun(platform::RunPort& run, platform::SystemPort& system) {
  const std::string line = run.CommandLineText();
  RunStart start{ReadCommandLine(line), {}, std::make_unique<platform::NullLog>(), std::nullopt};
  const CommandLine& command = start.command;
  if (command.has_instance)
    start.options.proposed_name = command.instance;
  start.options.setup_without_interface = command.quiet;
  if (command.has_log || command.quiet) {
    const std::string path = command.has_log
                                 ? command.log_path
                                 : GetEnvironmentValue(system, "TEMP") + "\\" + kQuietLogName;
    std::unique_ptr<platform::LogPort> log = run.OpenLog(path);
    if (log == nullptr) {
      start.ended = EndsWith(run, start, ExitCode::kLogNotOpened, LogNotOpenedMessage(path),
                             platform::kMsgBoxCritical);
      return start;
    }
    start.log = std::move(log);
  }
  start.log->AppendLine("Start: quillset " + std::string(ProgramVersion()) + " auf " +
                        system.GetLocalComputerName() + ", Befehlszeile: " + line);
  if (command.invalid)
    start.ended = EndsWith(run, start, ExitCode::kInvalidCommandLine,
                           InvalidArgumentMessage(command.bad_argument), platform::kMsgBoxCritical);
  else if (!run.ClaimMachine())
    start.ended = EndsWith(run, start, ExitCode::kAnotherRunUnderWay, AnotherRunMessage(),
                           platform::kMsgBoxExclamation);
  else if (command.help)
    start.ended =
        EndsWith(run, start, ExitCode::kInstalled, UsageMessage(), platform::kMsgBoxInformation);
  return start;
}

void LogText(platform::LogPort& log, const std::string& heading, const std::string& text) {
  log.AppendLine(heading);
  std::size_t begin = 0;
  for (std::size_t end = 0; end != std::string::npos; begin = end + 1) {
    end = text.find_first_of("\r\n", begin);
    std::string piece = text.substr(begin, end == std::string::npos ? end : end - begin);
    piece.erase(0, piece.find_first_not_of(" \t"));
    piece.erase(piece.find_last_not_of(" \t") + 1);
    if (!piece.empty())
      log.AppendLine("  " + piece);
  }
}

void LogMessage(platform::LogPort& log, const std::string& text, int style,
                const std::string& title, bool shown) {
  LogText(log,
          "Meldung \"" + title + "\" (" + std::to_string(style) + ")" +
              (shown ? ":" : ", nicht angezeigt:"),
          text);
}

int EndRun(platform::LogPort& log, ExitCode code) {
  log.AppendLine("Ende: Rückgabewert " + std::to_string(static_cast<int>(code)));
  return static_cast<int>(code);
}

}  // namespace quillset
