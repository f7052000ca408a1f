#include "app/logged_ports.h"

#include <ctime>

#include "app/run_start.h"

namespace quillset {

namespace {

class LoggedProgram final : public platform::StartedProgram {
 public:
  LoggedProgram(std::unique_ptr<platform::StartedProgram> program, platform::LogPort& log)
      : program_(std::move(program)), log_(log) {}
  bool IsRunning() override {
    const bool running = program_->IsRunning();
    if (!running && !ended_) {
      ended_ = true;
      const auto seconds = static_cast<long long>(std::time(nullptr) - started_);
      log_.AppendLine("Programm beendet: Rückgabewert " + std::to_string(program_->ExitCode()) +
                      ", Laufzeit " + std::to_string(seconds) + " s");
    }
    return running;
  }
  void WaitForEndOrMessage() override { program_->WaitForEndOrMessage(); }
  std::uint32_t ExitCode() override { return program_->ExitCode(); }

 private:
  std::unique_ptr<platform::StartedProgram> program_;
  platform::LogPort& log_;
  std::time_t started_ = std::time(nullptr);  // whole seconds are enough for a log
  bool ended_ = false;
};

}  // namespace

std::unique_ptr<platform::ConsoleProgram> LoggedProcesses::StartHiddenConsole(
    const std::string& line) {
  std::unique_ptr<platform::ConsoleProgram> program = processes_.StartHiddenConsole(line);
  log_.AppendLine((program ? "Befehl: " : "Befehl nicht gestartet: ") + line);
  return program;
}

std::unique_ptr<platform::StartedProgram> LoggedProcesses::Start(const std::string& line) {
  std::unique_ptr<platform::StartedProgram> program = processes_.Start(line);
  log_.AppendLine((program ? "Programm gestartet: " : "Programm nicht gestartet: ") + line);
  if (program == nullptr)
    return nullptr;
  return std::make_unique<LoggedProgram>(std::move(program), log_);
}

int LoggedWindow::MsgBox(const std::string& prompt, int style, const std::string& title) {
  LogMessage(log_, prompt, style, title, true);
  return window_.MsgBox(prompt, style, title);
}

std::string LoggedWindow::InputBox(const std::string& prompt, const std::string& title) {
  LogText(log_, "Frage \"" + title + "\":", prompt);
  std::string answer = window_.InputBox(prompt, title);
  log_.AppendLine(answer.empty() ? "Antwort: keine (abgebrochen)" : "Antwort: " + answer);
  return answer;
}

}  // namespace quillset
