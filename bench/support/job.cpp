#include "support/job.h"

#include <algorithm>
#include <stdexcept>

#include "support/clock.h"

namespace quillset::bench {

JobProgram::JobProgram(const std::wstring& exe, const std::wstring& arguments)
    : job_(CreateJobObjectW(nullptr, nullptr)),
      port_(CreateIoCompletionPort(INVALID_HANDLE_VALUE, nullptr, 0, 1)) {
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  JOBOBJECT_ASSOCIATE_COMPLETION_PORT association{nullptr, port_.get()};
  if (!SetInformationJobObject(job_.get(), JobObjectExtendedLimitInformation, &limits,
                               sizeof limits) ||
      !SetInformationJobObject(job_.get(), JobObjectAssociateCompletionPortInformation,
                               &association, sizeof association))
    throw std::runtime_error("cannot set up a job: error " + std::to_string(GetLastError()));
  std::wstring command = L"\"" + exe + L"\" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  // Wine now and then fails a start with an internal error; the next start succeeds.
  for (int attempt = 0; attempt < 3 && started.hProcess == nullptr; ++attempt) {
    created_at_ = Now();
    if (!CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                        nullptr, nullptr, &startup, &started) &&
        GetLastError() != ERROR_INTERNAL_ERROR)
      break;
  }
  if (started.hProcess == nullptr)
    throw std::runtime_error("cannot start the program: error " + std::to_string(GetLastError()));
  process_.reset(started.hProcess);
  const win32::ScopedHandle thread(started.hThread);
  id_ = started.dwProcessId;
  AssignProcessToJobObject(job_.get(), process_.get());
  ResumeThread(thread.get());
}

JobProgram::~JobProgram() {
  TerminateJobObject(job_.get(), 1);
  WaitForSingleObject(process_.get(), 5000);
}

void JobProgram::Poll(DWORD timeout_ms) {
  DWORD message = 0;
  ULONG_PTR key = 0;
  OVERLAPPED* detail = nullptr;
  while (GetQueuedCompletionStatus(port_.get(), &message, &key, &detail, timeout_ms)) {
    timeout_ms = 0;
    const auto id = static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(detail));
    if (message == JOB_OBJECT_MSG_NEW_PROCESS && id != id_) {
      const DWORD access = PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE;
      children_.push_back(
          {id, win32::ScopedHandle(OpenProcess(access, FALSE, id)), {L"", Now(), 0}});
    } else if (message == JOB_OBJECT_MSG_EXIT_PROCESS ||
               message == JOB_OBJECT_MSG_ABNORMAL_EXIT_PROCESS) {
      for (Child& child : children_)
        if (child.id == id && child.life.end == 0)
          child.life.end = Now();
    }
  }
}

std::vector<Life> JobProgram::Children() {
  Poll();
  std::vector<Life> lives;
  for (Child& child : children_) {
    FILETIME created, exited, kernel, user;
    wchar_t path[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    if (child.life.image.empty() && child.process &&
        QueryFullProcessImageNameW(child.process.get(), 0, path, &size))
      child.life.image = wcsrchr(path, L'\\') != nullptr ? wcsrchr(path, L'\\') + 1 : path;
    Life life = child.life;
    if (child.process && GetProcessTimes(child.process.get(), &created, &exited, &kernel, &user)) {
      life.start = Ticks(created);
      life.end = WaitForSingleObject(child.process.get(), 0) == WAIT_OBJECT_0 ? Ticks(exited) : 0;
    }
    lives.push_back(life);
  }
  return lives;
}

Life JobProgram::WaitForChild(const std::wstring& image, bool ended, int limit_ms) {
  const std::int64_t end = Now() + limit_ms * 10000LL;
  for (;;) {
    for (const Life& life : Children())
      if (_wcsicmp(life.image.c_str(), image.c_str()) == 0 && (!ended || life.end != 0))
        return life;
    if (Now() > end)
      throw std::runtime_error("gave up waiting for " + std::string(image.begin(), image.end()));
    Poll(100);
  }
}

std::int64_t CoveredBy(std::vector<Life> lives, std::int64_t from, std::int64_t to) {
  std::sort(lives.begin(), lives.end(),
            [](const Life& a, const Life& b) { return a.start < b.start; });
  std::int64_t covered = 0, reached = from;
  for (const Life& life : lives) {
    const std::int64_t start = std::max(life.start, reached);
    const std::int64_t end = std::min(life.end == 0 ? to : life.end, to);
    if (end > start) {
      covered += end - start;
      reached = end;
    }
  }
  return covered;
}

}  // namespace quillset::bench
