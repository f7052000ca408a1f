// A program started for a measurement in a job of its own. The job reports every process started
// inside it (the program's children and theirs) to a port; taking the reports in opens each
// process at once, so that the kernel's creation and exit times of even a short-lived one can be
// read later. Closing the job ends the program and everything it started.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/win32/handle.h"

namespace quillset::bench {

struct Life {
  std::wstring image;      // the program file's name, e.g. L"osql.exe"; empty while unknown
  std::int64_t start = 0;  // the kernel's creation time
  std::int64_t end = 0;    // the kernel's exit time; 0 while it runs
};

class JobProgram {
 public:
  JobProgram(const std::wstring& exe, const std::wstring& arguments);
  ~JobProgram();

  DWORD id() const { return id_; }
  std::int64_t created_at() const { return created_at_; }  // Now() just before the start
  // Takes in the job's reports, waiting up to timeout_ms for the first.
  void Poll(DWORD timeout_ms = 0);
  // The processes the program started, in the order of their starts.
  std::vector<Life> Children();
  // The first child of that program file, once it has started (or ended, with `ended`); waits
  // on the job's reports, never longer than limit_ms.
  Life WaitForChild(const std::wstring& image, bool ended, int limit_ms);

 private:
  struct Child {
    DWORD id = 0;
    win32::ScopedHandle process;  // empty when it had ended before it could be opened
    Life life;                    // the reports' times until the kernel's are read
  };
  win32::ScopedHandle job_, port_, process_;
  DWORD id_ = 0;
  std::int64_t created_at_ = 0;
  std::vector<Child> children_;
};

// Union of the lives (running ones up to `to`) within [from, to], in 100-ns steps.
std::int64_t CoveredBy(std::vector<Life> lives, std::int64_t from, std::int64_t to);

}  // namespace quillset::bench
