// The measuring programs' clock, their waits and their output. Times are system time in 100-ns
// steps: the clock on which the kernel also stamps the creation and exit of every process.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <string>

namespace quillset::bench {

inline std::int64_t Ticks(const FILETIME& time) {
  return static_cast<std::int64_t>(static_cast<std::uint64_t>(time.dwHighDateTime) << 32 |
                                   time.dwLowDateTime);
}

inline std::int64_t Now() {
  FILETIME now;
  GetSystemTimePreciseAsFileTime(&now);
  return Ticks(now);
}

inline double Ms(std::int64_t ticks) {
  return static_cast<double>(ticks) / 1e4;
}

// Polls the condition every millisecond; throws when it has not held within limit_ms.
template <typename Condition>
void WaitUntil(const std::string& what, int limit_ms, Condition condition) {
  for (const std::int64_t end = Now() + limit_ms * 10000LL; !condition(); Sleep(1)) {
    if (Now() > end)
      throw std::runtime_error("gave up waiting for " + what);
  }
}

// One figure as scripts/bench reads it.
inline void Result(const std::string& name, double value, const char* unit) {
  std::printf("RESULT %s %.4f %s\n", name.c_str(), value, unit);
  std::fflush(stdout);
}

// Runs a measuring program's body with its number of runs (the first argument; 5 when not
// given): exit code 0, or 2 with the reason when nothing could be measured.
template <typename Body>
int Measure(int argc, char** argv, const char* program, Body body) {
  try {
    body(argc > 1 ? std::atoi(argv[1]) : 5);
    return 0;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s: %s\n", program, error.what());
    return 2;
  }
}

}  // namespace quillset::bench
