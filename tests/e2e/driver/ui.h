// Driving another process's windows from outside: find them, read their controls, click, type,
// and answer message and input boxes. Texts are UTF-8. Every wait has a limit and names what it
// waited for.
//
// Under Wine (measured with Wine 8 on Xvfb, no window manager):
// - Button clicks are posted (BM_CLICK): a sent one would block until a modal box it opens closes.
// - Keys are posted to the control with the focus (WM_KEYDOWN/WM_CHAR/WM_SYSKEYDOWN), so they pass
//   through the program's own message loop and dialog-key handling like typed keys do.
// - Texts of another process's controls are read with WM_GETTEXT (GetWindowTextW reads only the
//   caption Wine keeps for top-level windows).
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "driver/wait.h"

namespace quillset::e2e {

// --- Looking at windows ------------------------------------------------------------------------

std::string ClassOf(HWND window);
std::string TextOf(HWND window);  // WM_GETTEXT, UTF-8
int ControlIdOf(HWND window);
DWORD ProcessOf(HWND window);
bool IsShown(HWND window);  // IsWindowVisible: the window and all its parents are visible
bool IsEnabled(HWND window);
RECT WindowRectOf(HWND window);  // screen coordinates
RECT ClientRectOf(HWND window);  // client coordinates (left and top 0)
// A control's outer rectangle in the client coordinates of `window`.
RECT RectInClientOf(HWND control, HWND window);

// Top-level windows of a process, visible or not, in Z order.
std::vector<HWND> TopLevelWindowsOf(DWORD process_id);
// Every descendant of `root` (children, their children, ...).
std::vector<HWND> DescendantsOf(HWND root);

// Waits for a visible top-level window of the process with exactly this caption.
HWND WaitForTopLevelWindow(DWORD process_id, const std::string& caption,
                           Millis limit = kDefaultWait);
void WaitUntilGone(HWND window, const std::string& what, Millis limit = kDefaultWait);

// What identifies a control; unset parts match anything. The class compares case-insensitively,
// the text exactly (WM_GETTEXT).
struct ControlQuery {
  std::optional<int> id = std::nullopt;
  std::optional<std::string> class_name = std::nullopt;
  std::optional<std::string> text = std::nullopt;
  std::string Describe() const;
};
HWND FindControl(HWND root, const ControlQuery& query);  // nullptr when none matches
HWND WaitForControl(HWND root, const ControlQuery& query, Millis limit = kDefaultWait);

// Items of a list box (LB_GETCOUNT, LB_GETTEXT).
std::vector<std::string> ListBoxItems(HWND list_box);

// The window that has the keyboard focus in the thread that owns `window`; nullptr if none.
HWND FocusedWindowOf(HWND window);

// --- Acting on windows ------------------------------------------------------------------------

// Presses a button as a click would, without waiting for what the click starts.
void ClickButton(HWND button);
// Posts a key press (down and up) to `target`.
void PressKey(HWND target, UINT virtual_key);
// Posts Alt + key (WM_SYSKEYDOWN/WM_SYSCHAR/WM_SYSKEYUP), as an access key is typed.
void PressAltKey(HWND target, wchar_t letter);
// Posts one WM_CHAR per character, as typing into an edit control does.
void TypeText(HWND target, const std::string& text);
// Replaces the text of an edit control (WM_SETTEXT).
void SetEditText(HWND edit, const std::string& text);
// Real input through the system's input queue (SendInput), as a user's keyboard and mouse give it:
// it goes to the foreground window and respects disabled windows. Brings `window` to the
// foreground first.
void SendKeyInput(HWND window, UINT virtual_key);
// Moves the mouse to the middle of `control` and clicks the left button there.
void ClickWithMouse(HWND window, HWND control);
// Posts WM_CLOSE, as the title bar's close button does through the system menu.
void PostClose(HWND window);
// Posts WM_SYSCOMMAND SC_CLOSE: the title bar's close button, Alt+F4.
void PostSystemClose(HWND window);

// --- The platform's dialogs --------------------------------------------------------------------

struct MessageBoxView {
  HWND window = nullptr;
  std::string title;
  std::string text;                  // the text static (ID 0xFFFF)
  std::vector<std::string> buttons;  // button captions, in Z order
};
// Waits for a visible message box (#32770 with the text static) of the process.
MessageBoxView WaitForMessageBox(DWORD process_id, Millis limit = kDefaultWait);

struct InputBoxView {
  HWND window = nullptr;
  HWND edit = nullptr;
  std::string title;
  std::string prompt;  // the dialog's static texts, joined by '\n'
  std::vector<std::string> buttons;
};
// Waits for a visible dialog (#32770) of the process that holds an edit control.
InputBoxView WaitForInputBox(DWORD process_id, Millis limit = kDefaultWait);

// Presses the dialog's button with this control ID (IDOK, IDCANCEL...) and waits until the dialog
// has closed.
void PressDialogButton(HWND dialog, int button_id, Millis limit = kDefaultWait);
// Presses the dialog's button with this caption (exact, "&" included) and waits until it closed.
void PressDialogButton(HWND dialog, const std::string& caption, Millis limit = kDefaultWait);

// True when no visible dialog (#32770) of the process is open.
bool NoDialogOpen(DWORD process_id);

}  // namespace quillset::e2e
