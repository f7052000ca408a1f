// A program started for a measurement, in a job of its own. The job's completion port reports
// every process that starts inside it (the program and whatever it starts, their children too)
// and every end, and the kernel's own creation and exit times of each give its whole life: a
// measurement sees the console programs the assistant starts without any help from them.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "driver/process.h"
#include "driver/wait.h"
#include "platform/win32/handle.h"

namespace quillset::bench {

// Wall-clock time in 100-ns units since 1601, the clock on which the kernel stamps process
// creation and exit, as precise as the system offers it.
std::int64_t SystemTimeNow();
inline double TicksToMs(std::int64_t ticks) {
  return static_cast<double>(ticks) / 10000.0;
}

// Processor time (kernel and user) another process has used so far, in 100-ns units: the sum of
// its threads' times. Wine counts them in steps of 10 ms. (Wine 8 answers GetProcessTimes for
// another process with the caller's own times; GetThreadTimes reads the right thread.)
std::int64_t ProcessorTimeOf(DWORD process_id);

// Processor time the Wine server has used so far, in 100-ns units, read from Linux's accounting
// of the process named by QUILLSET_BENCH_WINESERVER_PID (the server of this run's prefix); -1
// when it is not known. Under Wine much of what a Windows kernel does for a program, the server
// does in its own process.
std::int64_t WineServerProcessorTime();

// One process of the job.
struct ProcessLife {
  DWORD id = 0;
  std::wstring image;         // the program file's name, e.g. "osql.exe"
  std::int64_t started = 0;   // the kernel's creation time
  std::int64_t ended = 0;     // the kernel's exit time; 0 while it runs
  bool kernel_times = false;  // false: gone before it could be opened; the times are the reports'
  std::int64_t reported_start = 0;  // when the job's report of its start arrived here
  std::int64_t reported_end = 0;    // when the report of its end arrived; 0 before
  // The watched program's and the Wine server's processor time when those reports arrived.
  std::int64_t program_cpu_at_start = 0;
  std::int64_t program_cpu_at_end = 0;
  std::int64_t server_cpu_at_start = -1;
  std::int64_t server_cpu_at_end = -1;
};

class WatchedProgram {
 public:
  // Starts `exe` with `arguments` in `folder` with `environment`. Throws e2e::DriverError when it
  // cannot be started.
  // With `sample_processor_times`, the program's and the Wine server's processor times are read
  // at every report (ProcessLife::program_cpu_at_start ...).
  WatchedProgram(const std::wstring& exe, const std::wstring& arguments, const std::wstring& folder,
                 const e2e::EnvironmentBlock& environment, bool sample_processor_times = false);
  // Ends the program and everything it started.
  ~WatchedProgram();
  WatchedProgram(const WatchedProgram&) = delete;
  WatchedProgram& operator=(const WatchedProgram&) = delete;

  DWORD id() const { return id_; }
  HANDLE handle() const { return process_.get(); }
  // SystemTimeNow() just before the program was created.
  std::int64_t start_called_at() const { return start_called_at_; }

  // Returns once every report the job made before the call has been taken in.
  void Flush() const;
  // Every process of the job but the program itself, in the order their starts were reported.
  std::vector<ProcessLife> Children() const;
  // Waits until a child of this program file name (any letter case) has been reported started /
  // ended, and returns it. Throws e2e::DriverError when `limit` passes first.
  ProcessLife WaitForChildStart(const std::wstring& image, e2e::Millis limit) const;
  ProcessLife WaitForChildEnd(const std::wstring& image, e2e::Millis limit) const;
  // The processes of the job as a text, for the message of a failed measurement.
  std::string DescribeChildren() const;

 private:
  struct Entry {
    ProcessLife life;
    std::shared_ptr<win32::ScopedHandle> handle;  // empty when the process could not be opened
  };
  void Listen();
  // Looks up the program file names not known yet; true while some are still unknown.
  bool LookUpPendingNames();
  template <typename Probe>
  ProcessLife WaitForChild(const std::string& what, e2e::Millis limit, Probe probe) const;
  static ProcessLife Resolve(const Entry& entry);

  win32::ScopedHandle job_;
  win32::ScopedHandle port_;
  win32::ScopedHandle process_;
  // The program's ID as the listener reads it; set once the program exists.
  std::atomic<DWORD> program_id_{0};
  bool sample_processor_times_;
  mutable std::atomic<int> flushes_requested_{0};
  std::atomic<int> flushed_{0};
  DWORD id_ = 0;
  std::int64_t start_called_at_ = 0;
  mutable std::mutex mutex_;
  std::vector<Entry> entries_;
  std::thread listener_;
};

// The visible top-level window of the process with this caption; nullptr when there is none.
HWND VisibleTopLevelWindow(DWORD process_id, const std::wstring& caption);
// The child of `window` (at any depth) with this control ID; nullptr when there is none.
HWND ControlWithId(HWND window, int control_id);

// Sends WM_NULL to a window about every 10 ms from a thread of its own and notes when each
// message was sent and answered, to find the longest time the window left one unanswered.
class Pinger {
 public:
  explicit Pinger(HWND window);
  ~Pinger();
  Pinger(const Pinger&) = delete;
  Pinger& operator=(const Pinger&) = delete;

  void Stop();
  // The longest stretch within [from, to] during which a ping waited for its answer, in ms.
  double LongestUnansweredWithin(std::int64_t from, std::int64_t to) const;
  int PingsWithin(std::int64_t from, std::int64_t to) const;

 private:
  struct Ping {
    std::int64_t sent;
    std::int64_t answered;
  };
  HWND window_;
  std::atomic<bool> stop_{false};
  mutable std::mutex mutex_;
  std::vector<Ping> pings_;
  std::thread thread_;
};

// Prints one result line as the bench command reads it: RESULT name value unit.
void PrintResult(const char* name, double value, const char* unit);

}  // namespace quillset::bench
