#include "platform/win32/win32_processes.h"

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/win32/ansi_text.h"
#include "platform/win32/handle.h"
#include "platform/win32/message_pump.h"
#include "platform/win32/program_search.h"

namespace quillset::win32 {

namespace {

// The pipe's buffer in the system: as large as an anonymous pipe's default.
constexpr DWORD kPipeBufferBytes = 4096;

// CreateProcessA may write into its command line, so it gets a copy of its own.
std::vector<char> AnsiCommandLine(const std::string& command_line) {
  const std::string ansi = Utf8ToAnsi(command_line);
  std::vector<char> buffer(ansi.begin(), ansi.end());
  buffer.push_back('\0');
  return buffer;
}

std::wstring UniquePipeName() {
  static LONG counter = 0;
  const LONG serial = InterlockedIncrement(&counter);
  return L"\\\\.\\pipe\\quillset-console-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
         std::to_wstring(GetTickCount()) + L"-" + std::to_wstring(serial);
}

// The two ends of one pipe: the read end overlapped and private to this process, the write end
// inheritable so that the child can write its standard output and error into it.
struct ConsolePipe {
  ScopedFile read_end;
  ScopedFile write_end;
};

bool CreateConsolePipe(ConsolePipe& pipe) {
  const std::wstring name = UniquePipeName();
  // One instance, and it must be ours: nobody can have slipped in under the same name.
  pipe.read_end.reset(CreateNamedPipeW(
      name.c_str(), PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
      PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT, 1, 0, kPipeBufferBytes, 0, nullptr));
  if (!pipe.read_end)
    return false;
  SECURITY_ATTRIBUTES inheritable{};
  inheritable.nLength = sizeof inheritable;
  inheritable.bInheritHandle = TRUE;
  pipe.write_end.reset(CreateFileW(name.c_str(), GENERIC_WRITE, 0, &inheritable, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
  return static_cast<bool>(pipe.write_end);
}

class Win32ConsoleProgram : public platform::ConsoleProgram {
 public:
  Win32ConsoleProgram(ScopedFile read_end, ScopedHandle read_done, ScopedHandle process)
      : read_end_(std::move(read_end)),
        read_done_(std::move(read_done)),
        process_(std::move(process)) {}

  // Every read is finished before ReadChunk returns, so closing the handles here never leaves
  // the system writing into a buffer that is gone.
  bool ReadChunk(char* buffer, std::size_t capacity, std::size_t& bytes_read) override {
    OVERLAPPED overlapped{};
    overlapped.hEvent = read_done_.get();
    const DWORD wanted = static_cast<DWORD>(std::min<std::size_t>(capacity, MAXDWORD));
    DWORD count = 0;
    if (!ReadFile(read_end_.get(), buffer, wanted, nullptr, &overlapped) &&
        GetLastError() != ERROR_IO_PENDING) {
      return false;  // the pipe has ended (ERROR_BROKEN_PIPE) or cannot be read
    }
    if (!WaitWhileWindowWorks(overlapped))
      return false;
    if (!GetOverlappedResult(read_end_.get(), &overlapped, &count, FALSE))
      return false;
    bytes_read = count;
    // Output that never pauses finds every read ready, and the wait reports a ready read before
    // queued messages: without this step a flood of output froze the window for as long as it
    // lasted (seconds for 10 MB under Wine). So the window takes its messages once per chunk too,
    // and the read ends when the program is ending.
    return PumpPendingMessages();
  }

 private:
  // Sleeps until the read completes, handling the window's messages whenever some arrive.
  bool WaitWhileWindowWorks(OVERLAPPED& overlapped) {
    HANDLE read_done = read_done_.get();
    for (;;) {
      // MWMO_INPUTAVAILABLE: also wake for messages that were already queued before the wait.
      const DWORD woke =
          MsgWaitForMultipleObjectsEx(1, &read_done, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
      if (woke == WAIT_OBJECT_0)
        return true;
      if (woke == WAIT_OBJECT_0 + 1 && PumpPendingMessages())
        continue;
      // The wait failed, or the program is ending: take the read back before its buffer and
      // OVERLAPPED go away.
      DWORD ignored = 0;
      CancelIo(read_end_.get());
      GetOverlappedResult(read_end_.get(), &overlapped, &ignored, TRUE);
      return false;
    }
  }

  ScopedFile read_end_;
  ScopedHandle read_done_;
  ScopedHandle process_;
};

class Win32StartedProgram : public platform::StartedProgram {
 public:
  explicit Win32StartedProgram(ScopedHandle process) : process_(std::move(process)) {}

  // A wait that fails (a handle that is no process) reports the process as ended, so that no
  // caller polls forever.
  bool IsRunning() override { return WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT; }

  void WaitForEndOrMessage() override {
    HANDLE handle = process_.get();
    MsgWaitForMultipleObjectsEx(1, &handle, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }

  std::uint32_t ExitCode() override {
    DWORD code = 0;
    return GetExitCodeProcess(process_.get(), &code) ? code : 0;
  }

 private:
  ScopedHandle process_;
};

}  // namespace

std::unique_ptr<platform::ConsoleProgram> Win32Processes::StartHiddenConsole(
    const std::string& command_line) {
  if (QuitHasCome())
    return nullptr;  // the program is ending
  ConsolePipe pipe;
  if (!CreateConsolePipe(pipe))
    return nullptr;
  ScopedHandle read_done(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!read_done)
    return nullptr;

  STARTUPINFOA startup{};
  GetStartupInfoA(&startup);
  startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  startup.hStdOutput = pipe.write_end.get();
  startup.hStdError = pipe.write_end.get();

  SECURITY_ATTRIBUTES process_attributes{};
  process_attributes.nLength = sizeof process_attributes;
  SECURITY_ATTRIBUTES thread_attributes = process_attributes;
  std::vector<char> command = AnsiCommandLine(command_line);
  PROCESS_INFORMATION started{};
  const std::optional<std::string> program = ApplicationName(command.data());
  if (!program || !CreateProcessA(program->empty() ? nullptr : program->c_str(), command.data(),
                                  &process_attributes, &thread_attributes, TRUE, 0, nullptr,
                                  nullptr, &startup, &started)) {
    return nullptr;
  }
  ScopedHandle process(started.hProcess);
  ScopedHandle thread(started.hThread);
  // From now on only the child (and whoever inherits from it) holds the write end, so the pipe
  // ends when the last of them ends.
  pipe.write_end.reset();
  return std::make_unique<Win32ConsoleProgram>(std::move(pipe.read_end), std::move(read_done),
                                               std::move(process));
}

std::unique_ptr<platform::StartedProgram> Win32Processes::Start(const std::string& command_line) {
  if (QuitHasCome())
    return nullptr;  // the program is ending
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  if (hide_windows_) {
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
  }
  std::vector<char> command = AnsiCommandLine(command_line);
  PROCESS_INFORMATION started{};
  const std::optional<std::string> program = ApplicationName(command.data());
  if (!program ||
      !CreateProcessA(program->empty() ? nullptr : program->c_str(), command.data(), nullptr,
                      nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr, nullptr, &startup, &started)) {
    return nullptr;
  }
  const ScopedHandle thread(started.hThread);
  return std::make_unique<Win32StartedProgram>(ScopedHandle(started.hProcess));
}

}  // namespace quillset::win32
