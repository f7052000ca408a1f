// Starting the programs the installation waits for (the MSDE setup, net start), and the wait.
#pragma once

#include <cstdint>
#include <string>

#include "platform/process_port.h"
#include "platform/window_port.h"

namespace quillset {

inline constexpr std::int16_t kProcessStarted = 0;
inline constexpr std::int16_t kProcessNotStarted = -1;

// 0 when the program was started and `process` set; -1 when not, `process` left untouched.
[[nodiscard]] std::int16_t StartProcess(platform::ProcessPort& processes,
                                        const std::string& command_line,
                                        platform::ProcessHandle& process);

// True until the process has ended; never waits.
bool IsProcessRunning(platform::ProcessPort& processes, platform::ProcessHandle process);

// Waits for the process while the window stays painted and disabled: as long as it runs, disable
// the window and let it handle its messages, then sleep until the process ends or a message comes.
// Stops early when the window is unloaded meanwhile; the program then runs on without us.
void WaitForProgramEnd(platform::ProcessPort& processes, platform::WindowPort& window,
                       platform::ProcessHandle process);

}  // namespace quillset
