#include "platform/win32/message_pump.h"

#include <optional>

namespace quillset::win32 {

namespace {

HWND g_dialog_window = nullptr;
// The exit code of the quit, once a pump has taken it from the queue.
std::optional<int> g_quit_code;

bool BelongsToDialogWindow(HWND window) {
  return g_dialog_window != nullptr && window != nullptr &&
         (window == g_dialog_window || IsChild(g_dialog_window, window));
}

bool IsPushButton(HWND window) {
  wchar_t class_name[16] = {};
  GetClassNameW(window, class_name, 16);
  if (lstrcmpiW(class_name, L"Button") != 0)
    return false;
  const LONG_PTR kind = GetWindowLongPtrW(window, GWL_STYLE) & BS_TYPEMASK;
  return kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON;
}

// The window has no default and no cancel button: Enter presses only the focused button, Escape
// presses nothing. Tab, the arrow keys and the access keys go to the dialog manager.
bool HandleDialogKeys(MSG& msg) {
  if (!BelongsToDialogWindow(msg.hwnd))
    return false;
  const bool key_message =
      msg.message == WM_KEYDOWN || msg.message == WM_KEYUP || msg.message == WM_CHAR;
  if (key_message && msg.wParam == VK_RETURN) {
    HWND focus = GetFocus();
    if (msg.message == WM_KEYDOWN && BelongsToDialogWindow(focus) && IsPushButton(focus)) {
      SendMessageW(focus, BM_CLICK, 0, 0);
    }
    return true;
  }
  if (key_message && msg.wParam == VK_ESCAPE)
    return true;
  // Access keys need Alt. The dialog manager would also take a plain letter as the access key of
  // a button while a button has the focus, so a stray "b" would end the program; typed
  // characters go to the focused control instead (the list box searches its items with them).
  if (msg.message == WM_CHAR)
    return false;
  return IsDialogMessageW(g_dialog_window, &msg) != FALSE;
}

void Dispatch(MSG& msg) {
  if (HandleDialogKeys(msg))
    return;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

}  // namespace

void SetDialogWindow(HWND window) {
  g_dialog_window = window;
}

bool PumpPendingMessages() {
  MSG msg;
  while (!g_quit_code && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT)
      g_quit_code = static_cast<int>(msg.wParam);
    else
      Dispatch(msg);
  }
  return !g_quit_code;
}

bool QuitHasCome() {
  return g_quit_code.has_value();
}

int RunMessageLoop() {
  MSG msg{};
  while (!g_quit_code && GetMessageW(&msg, nullptr, 0, 0) > 0)
    Dispatch(msg);
  return g_quit_code.value_or(static_cast<int>(msg.wParam));
}

}  // namespace quillset::win32
