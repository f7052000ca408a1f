// Waiting in the Wine tests: every wait has a time limit, and a wait that runs out says what it
// waited for.
#pragma once

#include <windows.h>

#include <chrono>
#include <stdexcept>
#include <string>

namespace quillset::e2e {

using Millis = std::chrono::milliseconds;

// Long enough for a loaded machine, short enough that a hung test reports what it waited for
// well before ctest's own limit.
inline constexpr Millis kDefaultWait{15000};
inline constexpr Millis kPollInterval{20};

// A wait that ran out, or a step the driver could not carry out. GoogleTest reports the text.
class DriverError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Calls `probe` until its result tests true and returns that result; throws DriverError naming
// `what` when `limit` passes first.
template <typename Probe>
auto WaitFor(const std::string& what, Millis limit, Probe probe) -> decltype(probe()) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    auto result = probe();
    if (result)
      return result;
    if (std::chrono::steady_clock::now() >= deadline) {
      throw DriverError("waited " + std::to_string(limit.count()) + " ms for " + what);
    }
    Sleep(static_cast<DWORD>(kPollInterval.count()));
  }
}

// Wine now and then fails the start of a program or a service with ERROR_INTERNAL_ERROR (about
// once in 30 starts right after a program ended when no desktop keeper runs, rarely with one,
// more often on a loaded machine); a try a moment later succeeds. Calls `start` up to three times while it fails that way and
// returns its last result, with the last error as `start` left it.
template <typename Start>
bool RetryingWineInternalErrors(Start start) {
  for (int attempt = 1;; ++attempt) {
    if (start())
      return true;
    if (GetLastError() != ERROR_INTERNAL_ERROR || attempt == 3)
      return false;
    Sleep(500);
  }
}

}  // namespace quillset::e2e
