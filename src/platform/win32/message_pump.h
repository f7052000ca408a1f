// The one place where the window's thread takes messages from its queue: the main loop and every
// wait that lets the window handle its messages go through here, so dialog keys (Tab, access keys,
// Enter on the focused button, Escape pressing nothing) work the same at all times.
#pragma once

#include <windows.h>

namespace quillset::win32 {

// The top-level window whose dialog keys the pump handles.
void SetDialogWindow(HWND window);

// Handles every pending message, then returns true. False once the quit has come (the window was
// unloaded, here or in an earlier call): the caller stops its work, and the program ends when the
// running handler has returned to the main loop.
[[nodiscard]] bool PumpPendingMessages();

// Whether the quit has come: the program is ending and starts nothing more.
bool QuitHasCome();

// The main loop: handles messages until the quit comes and returns its exit code.
int RunMessageLoop();

}  // namespace quillset::win32
