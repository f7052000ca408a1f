// Waiting for a program the installation started (the MSDE setup, net start).
#pragma once

#include "platform/process_port.h"
#include "platform/window_port.h"

namespace quillset {

// Waits for the program while the window stays painted and disabled: as long as it runs, disable
// the window and let it handle its messages, then sleep until the program ends or a message comes.
// Stops early when the window is unloaded meanwhile; the program then runs on without us.
void WaitForProgramEnd(platform::StartedProgram& program, platform::WindowPort& window);

}  // namespace quillset
