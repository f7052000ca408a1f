#include "driver/process.h"

#include <algorithm>
#include <cwctype>

#include "platform/win32/ansi_text.h"

namespace quillset::e2e {

namespace {

bool SameName(const std::wstring& a, const std::wstring& b) {
  return _wcsicmp(a.c_str(), b.c_str()) == 0;
}

std::wstring Upper(std::wstring text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](wchar_t c) { return static_cast<wchar_t>(std::towupper(c)); });
  return text;
}

std::string Narrow(const std::wstring& text) {
  return win32::WideToUtf8(text);
}

std::string LastErrorText(const std::string& what) {
  return what + " failed, error " + std::to_string(GetLastError());
}

}  // namespace

EnvironmentBlock EnvironmentBlock::Current() {
  EnvironmentBlock environment;
  wchar_t* strings = GetEnvironmentStringsW();
  if (strings == nullptr)
    return environment;
  for (const wchar_t* entry = strings; *entry != L'\0'; entry += wcslen(entry) + 1) {
    const std::wstring line(entry);
    // Entries such as "=C:=C:\..." name drive folders; they start with '=' and are kept whole.
    const std::size_t equals = line.find(L'=', 1);
    if (equals == std::wstring::npos)
      continue;
    environment.variables_.emplace_back(line.substr(0, equals), line.substr(equals + 1));
  }
  FreeEnvironmentStringsW(strings);
  return environment;
}

void EnvironmentBlock::Set(const std::wstring& name, const std::wstring& value) {
  for (auto& [existing, existing_value] : variables_) {
    if (SameName(existing, name)) {
      existing_value = value;
      return;
    }
  }
  variables_.emplace_back(name, value);
}

void EnvironmentBlock::Remove(const std::wstring& name) {
  std::erase_if(variables_, [&](const auto& variable) { return SameName(variable.first, name); });
}

std::optional<std::wstring> EnvironmentBlock::Get(const std::wstring& name) const {
  for (const auto& [existing, value] : variables_) {
    if (SameName(existing, name))
      return value;
  }
  return std::nullopt;
}

std::wstring EnvironmentBlock::Block() const {
  auto sorted = variables_;
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const auto& a, const auto& b) { return Upper(a.first) < Upper(b.first); });
  std::wstring block;
  for (const auto& [name, value] : sorted) {
    block += name;
    block += L'=';
    block += value;
    block += L'\0';
  }
  block += L'\0';
  return block;
}

ProgramInJob StartInJob(HANDLE job, const std::wstring& exe_path, const std::wstring& arguments,
                        const std::wstring& current_folder, const EnvironmentBlock& environment) {
  std::wstring command_line = L"\"" + exe_path + L"\"";
  if (!arguments.empty())
    command_line += L" " + arguments;
  std::wstring block = environment.Block();
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info = {};
  const bool started = RetryingWineInternalErrors([&] {
    return CreateProcessW(exe_path.c_str(), command_line.data(), nullptr, nullptr, FALSE,
                          CREATE_UNICODE_ENVIRONMENT | CREATE_SUSPENDED, block.data(),
                          current_folder.empty() ? nullptr : current_folder.c_str(), &startup,
                          &info) != FALSE;
  });
  if (!started) {
    throw DriverError(
        LastErrorText("starting " + Narrow(exe_path) + " in " + Narrow(current_folder)));
  }
  ProgramInJob program;
  program.process.reset(info.hProcess);
  win32::ScopedHandle thread(info.hThread);
  program.id = info.dwProcessId;
  program.thread_id = info.dwThreadId;
  AssignProcessToJobObject(job, info.hProcess);
  ResumeThread(info.hThread);
  return program;
}

RunningProgram RunningProgram::Start(const std::wstring& exe_path, const std::wstring& arguments,
                                     const std::wstring& current_folder,
                                     const EnvironmentBlock& environment) {
  RunningProgram program;
  program.exe_path_ = exe_path;
  program.job_.reset(CreateJobObjectW(nullptr, nullptr));
  if (!program.job_)
    throw DriverError(LastErrorText("CreateJobObjectW"));
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  SetInformationJobObject(program.job_.get(), JobObjectExtendedLimitInformation, &limits,
                          sizeof limits);
  ProgramInJob started =
      StartInJob(program.job_.get(), exe_path, arguments, current_folder, environment);
  program.process_ = std::move(started.process);
  program.id_ = started.id;
  program.thread_id_ = started.thread_id;
  return program;
}

RunningProgram::~RunningProgram() {
  if (process_)
    Terminate();
}

bool RunningProgram::IsRunning() const {
  return WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

DWORD RunningProgram::WaitForExit(Millis limit) const {
  if (WaitForSingleObject(process_.get(), static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0) {
    throw DriverError("waited " + std::to_string(limit.count()) + " ms for " + Narrow(exe_path_) +
                      " to end");
  }
  DWORD code = 0;
  GetExitCodeProcess(process_.get(), &code);
  return code;
}

bool RunningProgram::StillRunningAfter(Millis period) const {
  return WaitForSingleObject(process_.get(), static_cast<DWORD>(period.count())) == WAIT_TIMEOUT;
}

void RunningProgram::Terminate() {
  if (IsRunning()) {
    TerminateProcess(process_.get(), 1);
    WaitForSingleObject(process_.get(), 5000);
  }
  // Closing the job ends whatever the program started and left running.
  job_.reset();
}

ConsoleResult RunConsoleCommand(const std::wstring& command_line, Millis limit) {
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  win32::ScopedHandle read_end;
  win32::ScopedHandle write_end;
  HANDLE read_raw = nullptr;
  HANDLE write_raw = nullptr;
  if (!CreatePipe(&read_raw, &write_raw, &inherit, 0))
    throw DriverError(LastErrorText("CreatePipe"));
  read_end.reset(read_raw);
  write_end.reset(write_raw);
  SetHandleInformation(read_end.get(), HANDLE_FLAG_INHERIT, 0);

  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  startup.hStdOutput = write_end.get();
  startup.hStdError = write_end.get();
  startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  PROCESS_INFORMATION info = {};
  std::wstring line = command_line;
  if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                      nullptr, &startup, &info)) {
    throw DriverError(LastErrorText("starting " + Narrow(command_line)));
  }
  win32::ScopedHandle process(info.hProcess);
  win32::ScopedHandle thread(info.hThread);
  write_end.reset();  // the child holds the only write end now: ReadFile ends when it exits

  ConsoleResult result;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    DWORD available = 0;
    if (!PeekNamedPipe(read_end.get(), nullptr, 0, nullptr, &available, nullptr))
      break;
    if (available > 0) {
      std::string chunk(available, '\0');
      DWORD got = 0;
      if (!ReadFile(read_end.get(), chunk.data(), available, &got, nullptr))
        break;
      result.output.append(chunk, 0, got);
      continue;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      TerminateProcess(process.get(), 1);
      throw DriverError("waited " + std::to_string(limit.count()) + " ms for \"" +
                        Narrow(command_line) + "\" to end");
    }
    Sleep(static_cast<DWORD>(kPollInterval.count()));
  }
  WaitForSingleObject(process.get(), 5000);
  GetExitCodeProcess(process.get(), &result.exit_code);
  return result;
}

}  // namespace quillset::e2e
