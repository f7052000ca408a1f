// Starting a program under test with an environment and a current folder of the test's choice,
// and watching it end.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "driver/wait.h"
#include "platform/win32/handle.h"

namespace quillset::e2e {

// An environment for a child process. Names compare case-insensitively, as Windows does.
class EnvironmentBlock {
 public:
  // The runner's own environment (Wine's, with the Linux variables first).
  static EnvironmentBlock Current();

  void Set(const std::wstring& name, const std::wstring& value);
  void Remove(const std::wstring& name);
  std::optional<std::wstring> Get(const std::wstring& name) const;

  // NAME=value strings sorted by name, each closed by a NUL, the block by one more NUL: the form
  // CreateProcessW takes with CREATE_UNICODE_ENVIRONMENT.
  std::wstring Block() const;

 private:
  std::vector<std::pair<std::wstring, std::wstring>> variables_;
};

// A program started suspended, put into `job` and then let run, so that nothing it starts escapes
// the job. Throws DriverError when it cannot be started.
struct ProgramInJob {
  win32::ScopedHandle process;
  DWORD id = 0;
  DWORD thread_id = 0;
};
ProgramInJob StartInJob(HANDLE job, const std::wstring& exe_path, const std::wstring& arguments,
                        const std::wstring& current_folder, const EnvironmentBlock& environment);

// A started program. It runs in a job of its own that ends it (and whatever it started) when the
// object goes, so a failed or killed test leaves no window behind for the next one.
class RunningProgram {
 public:
  // Throws DriverError when the program cannot be started.
  static RunningProgram Start(const std::wstring& exe_path, const std::wstring& arguments,
                              const std::wstring& current_folder,
                              const EnvironmentBlock& environment);

  RunningProgram(RunningProgram&&) noexcept = default;
  RunningProgram& operator=(RunningProgram&&) noexcept = default;
  ~RunningProgram();

  DWORD id() const { return id_; }
  DWORD main_thread_id() const { return thread_id_; }
  HANDLE handle() const { return process_.get(); }
  const std::wstring& exe_path() const { return exe_path_; }

  bool IsRunning() const;
  // Waits for the end and returns the exit code; throws DriverError when `limit` passes first.
  DWORD WaitForExit(Millis limit = kDefaultWait) const;
  // True when the program is still running after `period`: for "nothing happens" checks.
  bool StillRunningAfter(Millis period) const;
  void Terminate();

 private:
  RunningProgram() = default;

  win32::ScopedHandle job_;
  win32::ScopedHandle process_;
  DWORD id_ = 0;
  DWORD thread_id_ = 0;
  std::wstring exe_path_;
};

// Runs a console command line hidden, stdout and stderr joined, and returns what it printed (bytes
// as the program wrote them) once it ended. Throws DriverError when it cannot start or overruns.
struct ConsoleResult {
  DWORD exit_code = 0;
  std::string output;
};
ConsoleResult RunConsoleCommand(const std::wstring& command_line, Millis limit = kDefaultWait);

}  // namespace quillset::e2e
