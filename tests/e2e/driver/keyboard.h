// Real keys through the system's input queue (SendInput), as a user types them: key chords with
// modifiers (Alt+W, Shift+Tab), and waiting for the focus to arrive where a key should move it.
#pragma once

#include <windows.h>

#include <initializer_list>
#include <string>

#include "driver/wait.h"

namespace quillset::e2e {

// Brings `window` to the front, then holds the modifiers (VK_MENU, VK_SHIFT...) down in order,
// presses and releases `key`, and lets the modifiers go in reverse order.
void SendKeyChord(HWND window, std::initializer_list<UINT> modifiers, UINT key);

// Waits until the control with the keyboard focus in the thread of `window` is `control`, and
// names both (by their texts) when it does not get there.
void WaitForFocus(HWND window, HWND control, Millis limit = kDefaultWait);

// How a window is named in a message: its class and text.
std::string Describe(HWND window);

}  // namespace quillset::e2e
