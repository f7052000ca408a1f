// Programs of the simulated machine: hidden console programs with scripted output, and programs
// that run for a while and then do their work (a setup, net start).
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/process_port.h"

namespace quillset::testing {

// What a console program writes: each entry one write into the pipe, in order. A read returns at
// most the rest of the current write, cut to the reader's capacity.
struct ConsoleScript {
  std::vector<std::string> writes;
};

// A program started normally: it runs through `polls_until_end` running answers of IsRunning
// (a wait makes it end at once), then `on_end` does its work.
struct ProgramScript {
  int polls_until_end = 1;
  std::function<void()> on_end;
};

class SimulatedProcesses : public platform::ProcessPort {
 public:
  // Decide per command line what starts; nullopt means the program cannot be started.
  std::function<std::optional<ConsoleScript>(const std::string& command_line)> console_programs;
  std::function<std::optional<ProgramScript>(const std::string& command_line)> programs;
  // Runs before every read of console output: what happens while the runner waits.
  std::function<void()> on_read;

  std::unique_ptr<platform::ConsoleProgram> StartHiddenConsole(
      const std::string& command_line) override;
  bool Start(const std::string& command_line, platform::ProcessHandle& process) override;
  bool IsRunning(platform::ProcessHandle process) override;
  void WaitForEndOrMessage(platform::ProcessHandle process) override;
  void Close(platform::ProcessHandle process) override;

  // Command lines in the order they were started (console and normal programs, started or not).
  const std::vector<std::string>& console_command_lines() const { return console_command_lines_; }
  const std::vector<std::string>& program_command_lines() const { return program_command_lines_; }
  int is_running_calls() const { return is_running_calls_; }
  int wait_calls() const { return wait_calls_; }
  // Process handles started and not closed yet, and console programs not destroyed yet.
  int open_process_handles() const { return static_cast<int>(processes_.size()); }
  int open_console_programs() const { return open_console_programs_; }

 private:
  struct Process {
    ProgramScript script;
    bool ended = false;
  };
  void EndProcess(Process& process);

  std::map<platform::ProcessHandle, Process> processes_;
  platform::ProcessHandle next_handle_ = 0x100;
  std::vector<std::string> console_command_lines_;
  std::vector<std::string> program_command_lines_;
  int is_running_calls_ = 0;
  int wait_calls_ = 0;
  int open_console_programs_ = 0;
  friend class SimulatedConsoleProgram;
};

}  // namespace quillset::testing
