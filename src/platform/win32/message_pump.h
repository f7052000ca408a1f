// The one place where the window's thread takes messages from its queue: the main loop and every
// wait that lets the window handle its messages go through here, so dialog keys (Tab, access keys,
// Enter on the focused button, Escape pressing nothing) work the same at all times.
#pragma once

#include <windows.h>

namespace quillset::win32 {

// The top-level window whose dialog keys the pump handles.
void SetDialogWindow(HWND window);

// Handles every pending message, then returns. When the window was closed while work ran (a
// WM_QUIT arrives here), the program ends at once with the quit code.
void PumpPendingMessages();

// The main loop: handles messages until WM_QUIT and returns its exit code.
int RunMessageLoop();

}  // namespace quillset::win32
