// The modal input box: a prompt, a text field that starts empty, "OK" and "Abbrechen".
#pragma once

#include <windows.h>

#include <string>

namespace quillset::win32 {

// Control IDs inside the input box, for tools that answer it from outside. "OK" is IDOK and
// "Abbrechen" is IDCANCEL, as in every dialog.
inline constexpr int kInputBoxEditId = 100;
inline constexpr int kInputBoxPromptId = 101;

// Shows the box over `owner` (may be nullptr) and waits for the answer. The prompt's lines may be
// broken by carriage returns alone. Returns the text entered (UTF-8) when OK is pressed, and ""
// when the box is closed with "Abbrechen", Escape or its close button.
std::string ShowInputBox(HWND owner, const std::string& prompt, const std::string& title);

}  // namespace quillset::win32
