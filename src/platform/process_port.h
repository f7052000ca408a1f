// Programs the assistant starts: hidden console programs whose output it reads, and programs it
// starts normally and waits for (the MSDE setup, net start). Command lines are UTF-8 and go to the
// platform unchanged: no command interpreter, no quoting added or removed. A program named without
// a path (net, osql) is looked for in System32, the Windows folder and PATH, never in the
// assistant's own folder or the current folder, where anyone may have put a file of that name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace quillset::platform {

// A started hidden console program, standard output and standard error joined into one pipe.
// Destroying it closes the read end of the pipe and the program's process and thread handles; the
// program itself runs on until it ends.
class ConsoleProgram {
 public:
  virtual ~ConsoleProgram() = default;

  // Reads the next piece of output, at most `capacity` bytes, into `buffer`; `bytes_read` is the
  // count read. Returns false when the pipe has ended (no writer is left) or the read failed.
  // While no output is there it waits without using the processor, and the window keeps handling
  // its messages meanwhile; it also handles them once per piece read, so that output that never
  // pauses does not freeze the window.
  [[nodiscard]] virtual bool ReadChunk(char* buffer, std::size_t capacity,
                                       std::size_t& bytes_read) = 0;
};

// A started program the assistant waits for. Destroying it closes the process's handles; the
// program itself runs on until it ends.
class StartedProgram {
 public:
  virtual ~StartedProgram() = default;

  // True while the program has not ended; never waits.
  virtual bool IsRunning() = 0;

  // Waits until the program ends or a message for the window arrives, whichever comes first,
  // without using the processor. Returns at once when either is already the case.
  virtual void WaitForEndOrMessage() = 0;

  // The code the program ended with; meaningful once IsRunning has said it ended.
  virtual std::uint32_t ExitCode() = 0;
};

class ProcessPort {
 public:
  virtual ~ProcessPort() = default;

  // Starts the command line hidden, its standard output and standard error writing into one new
  // pipe. nullptr when the pipe cannot be made or the program cannot be started.
  virtual std::unique_ptr<ConsoleProgram> StartHiddenConsole(const std::string& command_line) = 0;

  // Starts the program found as above, handle inheritance on, normal priority, the assistant's
  // environment and current folder. nullptr when it cannot be started.
  virtual std::unique_ptr<StartedProgram> Start(const std::string& command_line) = 0;
};

}  // namespace quillset::platform
