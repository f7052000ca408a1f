#include "install/program_run.h"

namespace quillset {

void WaitForProgramEnd(platform::StartedProgram& program, platform::WindowPort& window) {
  while (program.IsRunning()) {
    window.SetEnabled(false);
    if (!window.DoEvents())
      return;
    // Sleeps until the program ends or the window has a message, instead of polling flat out.
    program.WaitForEndOrMessage();
  }
}

}  // namespace quillset
