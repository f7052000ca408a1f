#include "support/simulated_processes.h"

#include <algorithm>
#include <cstring>

namespace quillset::testing {

class SimulatedConsoleProgram : public platform::ConsoleProgram {
 public:
  SimulatedConsoleProgram(SimulatedProcesses& owner, ConsoleScript script)
      : owner_(owner), script_(std::move(script)) {
    ++owner_.open_console_programs_;
  }
  ~SimulatedConsoleProgram() override { --owner_.open_console_programs_; }

  bool ReadChunk(char* buffer, std::size_t capacity, std::size_t& bytes_read) override {
    if (owner_.on_read)
      owner_.on_read();
    // Empty writes put nothing into the pipe; skip them as a real reader would never see them.
    while (write_ < script_.writes.size() && offset_ >= script_.writes[write_].size()) {
      ++write_;
      offset_ = 0;
    }
    if (write_ >= script_.writes.size()) {
      bytes_read = 0;
      return false;
    }
    const std::string& current = script_.writes[write_];
    bytes_read = std::min(capacity, current.size() - offset_);
    std::memcpy(buffer, current.data() + offset_, bytes_read);
    offset_ += bytes_read;
    return true;
  }

 private:
  SimulatedProcesses& owner_;
  ConsoleScript script_;
  std::size_t write_ = 0;
  std::size_t offset_ = 0;
};

std::unique_ptr<platform::ConsoleProgram> SimulatedProcesses::StartHiddenConsole(
    const std::string& command_line) {
  console_command_lines_.push_back(command_line);
  std::optional<ConsoleScript> script;
  if (console_programs)
    script = console_programs(command_line);
  if (!script)
    return nullptr;
  return std::make_unique<SimulatedConsoleProgram>(*this, std::move(*script));
}

bool SimulatedProcesses::Start(const std::string& command_line, platform::ProcessHandle& process) {
  program_command_lines_.push_back(command_line);
  std::optional<ProgramScript> script;
  if (programs)
    script = programs(command_line);
  if (!script)
    return false;
  process = next_handle_;
  next_handle_ += 4;
  processes_[process] = Process{std::move(*script), false};
  return true;
}

void SimulatedProcesses::EndProcess(Process& process) {
  if (process.ended)
    return;
  process.ended = true;
  if (process.script.on_end)
    process.script.on_end();
}

bool SimulatedProcesses::IsRunning(platform::ProcessHandle handle) {
  ++is_running_calls_;
  auto found = processes_.find(handle);
  if (found == processes_.end())
    return false;
  Process& process = found->second;
  if (!process.ended && process.script.polls_until_end <= 0)
    EndProcess(process);
  if (process.ended)
    return false;
  --process.script.polls_until_end;
  return true;
}

void SimulatedProcesses::WaitForEndOrMessage(platform::ProcessHandle handle) {
  ++wait_calls_;
  auto found = processes_.find(handle);
  if (found != processes_.end())
    found->second.script.polls_until_end = 0;
}

void SimulatedProcesses::Close(platform::ProcessHandle handle) {
  processes_.erase(handle);
}

}  // namespace quillset::testing
