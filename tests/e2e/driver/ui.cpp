#include "driver/ui.h"

#include <algorithm>

#include "platform/win32/ansi_text.h"

namespace quillset::e2e {

namespace {

// A control that takes longer than this to answer a message counts as hung.
constexpr UINT kAnswerLimitMs = 5000;

LRESULT Ask(HWND window, UINT message, WPARAM wparam, LPARAM lparam, const char* what) {
  DWORD_PTR result = 0;
  // Not SMTO_ABORTIFHUNG: Wine counts a thread as hung when it has not fetched a message for 5 s,
  // so a box that appears after a long wait without messages (the console commands of "&Weiter")
  // is refused at once, before its first GetMessage. The time limit alone bounds the wait.
  if (!SendMessageTimeoutW(window, message, wparam, lparam, SMTO_NORMAL, kAnswerLimitMs, &result)) {
    throw DriverError(std::string("window ") + ClassOf(window) + " did not answer " + what +
                      " (error " + std::to_string(GetLastError()) + ")");
  }
  return static_cast<LRESULT>(result);
}

bool IsClass(HWND window, const wchar_t* class_name) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return _wcsicmp(name, class_name) == 0;
}

bool IsDialogWindow(HWND window) {
  return IsClass(window, L"#32770");
}

HWND FindDescendant(HWND root, const wchar_t* class_name) {
  for (HWND child : DescendantsOf(root)) {
    if (IsClass(child, class_name))
      return child;
  }
  return nullptr;
}

std::vector<std::string> ShownButtonCaptions(HWND dialog) {
  std::vector<std::string> captions;
  for (HWND child : DescendantsOf(dialog)) {
    if (IsClass(child, L"Button") && IsShown(child))
      captions.push_back(TextOf(child));
  }
  return captions;
}

LPARAM KeyParam(UINT virtual_key, bool up, bool alt) {
  const UINT scan = MapVirtualKeyW(virtual_key, 0 /* MAPVK_VK_TO_VSC */);
  LPARAM param = 1 | (static_cast<LPARAM>(scan & 0xFF) << 16);
  if (alt)
    param |= LPARAM{1} << 29;
  if (up)
    param |= (LPARAM{1} << 30) | (LPARAM{1} << 31);
  return param;
}

void Post(HWND target, UINT message, WPARAM wparam, LPARAM lparam) {
  if (!PostMessageW(target, message, wparam, lparam)) {
    throw DriverError("could not post message " + std::to_string(message) + " to " +
                      ClassOf(target) + " (error " + std::to_string(GetLastError()) + ")");
  }
}

}  // namespace

std::string ClassOf(HWND window) {
  wchar_t name[256] = {};
  GetClassNameW(window, name, 256);
  return win32::WideToUtf8(name);
}

std::string TextOf(HWND window) {
  const auto length =
      static_cast<std::size_t>(Ask(window, WM_GETTEXTLENGTH, 0, 0, "WM_GETTEXTLENGTH"));
  std::wstring text(length + 1, L'\0');
  const auto copied = static_cast<std::size_t>(
      Ask(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), "WM_GETTEXT"));
  text.resize(std::min(copied, length));
  return win32::WideToUtf8(text);
}

int ControlIdOf(HWND window) {
  return GetDlgCtrlID(window);
}

DWORD ProcessOf(HWND window) {
  DWORD process_id = 0;
  GetWindowThreadProcessId(window, &process_id);
  return process_id;
}

bool IsShown(HWND window) {
  return IsWindowVisible(window) != FALSE;
}

bool IsEnabled(HWND window) {
  return IsWindowEnabled(window) != FALSE;
}

RECT WindowRectOf(HWND window) {
  RECT rect = {};
  GetWindowRect(window, &rect);
  return rect;
}

RECT ClientRectOf(HWND window) {
  RECT rect = {};
  GetClientRect(window, &rect);
  return rect;
}

RECT RectInClientOf(HWND control, HWND window) {
  RECT rect = WindowRectOf(control);
  MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

namespace {

// Enumeration callbacks are stdcall on i686: named functions, not lambdas.
struct WindowSearch {
  DWORD process_id;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectTopLevel(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<WindowSearch*>(param);
  if (ProcessOf(window) == search->process_id)
    search->found.push_back(window);
  return TRUE;
}

BOOL CALLBACK CollectChild(HWND window, LPARAM param) {
  reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
  return TRUE;
}

}  // namespace

std::vector<HWND> TopLevelWindowsOf(DWORD process_id) {
  WindowSearch search{process_id, {}};
  EnumWindows(&CollectTopLevel, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::vector<HWND> DescendantsOf(HWND root) {
  std::vector<HWND> found;
  EnumChildWindows(root, &CollectChild, reinterpret_cast<LPARAM>(&found));
  return found;
}

HWND WaitForTopLevelWindow(DWORD process_id, const std::string& caption, Millis limit) {
  return WaitFor("a visible window \"" + caption + "\" of process " + std::to_string(process_id),
                 limit, [&]() -> HWND {
                   for (HWND window : TopLevelWindowsOf(process_id)) {
                     if (IsShown(window) && TextOf(window) == caption)
                       return window;
                   }
                   return nullptr;
                 });
}

void WaitUntilGone(HWND window, const std::string& what, Millis limit) {
  WaitFor(what + " to close", limit, [&] { return !IsWindow(window); });
}

std::string ControlQuery::Describe() const {
  std::string description = "a control";
  if (id)
    description += " with ID " + std::to_string(*id);
  if (class_name)
    description += " of class " + *class_name;
  if (text)
    description += " with text \"" + *text + "\"";
  return description;
}

HWND FindControl(HWND root, const ControlQuery& query) {
  for (HWND child : DescendantsOf(root)) {
    if (query.id && ControlIdOf(child) != *query.id)
      continue;
    if (query.class_name && !IsClass(child, win32::Utf8ToWide(*query.class_name).c_str()))
      continue;
    if (query.text && TextOf(child) != *query.text)
      continue;
    return child;
  }
  return nullptr;
}

HWND WaitForControl(HWND root, const ControlQuery& query, Millis limit) {
  return WaitFor(query.Describe() + " in \"" + TextOf(root) + "\"", limit,
                 [&] { return FindControl(root, query); });
}

std::vector<std::string> ListBoxItems(HWND list_box) {
  const auto count = Ask(list_box, LB_GETCOUNT, 0, 0, "LB_GETCOUNT");
  std::vector<std::string> items;
  for (LRESULT index = 0; index < count; ++index) {
    const auto length =
        Ask(list_box, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0, "LB_GETTEXTLEN");
    if (length < 0)
      throw DriverError("LB_GETTEXTLEN failed for item " + std::to_string(index));
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const auto copied = Ask(list_box, LB_GETTEXT, static_cast<WPARAM>(index),
                            reinterpret_cast<LPARAM>(text.data()), "LB_GETTEXT");
    text.resize(copied < 0 ? 0 : static_cast<std::size_t>(copied));
    items.push_back(win32::WideToUtf8(text));
  }
  return items;
}

HWND FocusedWindowOf(HWND window) {
  GUITHREADINFO info = {};
  info.cbSize = sizeof info;
  if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info))
    return nullptr;
  return info.hwndFocus;
}

void ClickButton(HWND button) {
  Post(button, BM_CLICK, 0, 0);
}

void PressKey(HWND target, UINT virtual_key) {
  Post(target, WM_KEYDOWN, virtual_key, KeyParam(virtual_key, false, false));
  Post(target, WM_KEYUP, virtual_key, KeyParam(virtual_key, true, false));
}

void PressAltKey(HWND target, wchar_t letter) {
  // The program's TranslateMessage turns the key into WM_SYSCHAR, as it does for typed keys.
  const UINT virtual_key = LOBYTE(VkKeyScanW(letter));
  Post(target, WM_SYSKEYDOWN, virtual_key, KeyParam(virtual_key, false, true));
  Post(target, WM_SYSKEYUP, virtual_key, KeyParam(virtual_key, true, true));
}

void TypeText(HWND target, const std::string& text) {
  for (wchar_t unit : win32::Utf8ToWide(text))
    Post(target, WM_CHAR, unit, 1);
}

void SetEditText(HWND edit, const std::string& text) {
  const std::wstring wide = win32::Utf8ToWide(text);
  if (!Ask(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()), "WM_SETTEXT")) {
    throw DriverError("the edit control refused the text \"" + text + "\"");
  }
}

namespace {

void BringToFront(HWND window) {
  SetForegroundWindow(window);
  WaitFor("\"" + TextOf(window) + "\" to come to the front", kDefaultWait,
          [&] { return GetForegroundWindow() == window; });
}

void Send(std::vector<INPUT> inputs) {
  const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  if (sent != inputs.size()) {
    throw DriverError("SendInput took " + std::to_string(sent) + " of " +
                      std::to_string(inputs.size()) + " events");
  }
}

}  // namespace

void SendKeyInput(HWND window, UINT virtual_key) {
  BringToFront(window);
  INPUT down = {};
  down.type = INPUT_KEYBOARD;
  down.ki.wVk = static_cast<WORD>(virtual_key);
  down.ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtual_key, 0));
  INPUT up = down;
  up.ki.dwFlags = KEYEVENTF_KEYUP;
  Send({down, up});
}

void ClickWithMouse(HWND window, HWND control) {
  BringToFront(window);
  const RECT rect = WindowRectOf(control);
  const int screen_width = GetSystemMetrics(SM_CXSCREEN);
  const int screen_height = GetSystemMetrics(SM_CYSCREEN);
  INPUT move = {};
  move.type = INPUT_MOUSE;
  // Absolute positions run from 0 to 65535 across the primary screen.
  move.mi.dx = static_cast<LONG>((rect.left + rect.right) / 2 * 65536LL / screen_width);
  move.mi.dy = static_cast<LONG>((rect.top + rect.bottom) / 2 * 65536LL / screen_height);
  move.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
  INPUT down = move;
  down.mi.dwFlags = MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE;
  INPUT up = move;
  up.mi.dwFlags = MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE;
  Send({move, down, up});
}

void PostClose(HWND window) {
  Post(window, WM_CLOSE, 0, 0);
}

void PostSystemClose(HWND window) {
  Post(window, WM_SYSCOMMAND, SC_CLOSE, 0);
}

MessageBoxView WaitForMessageBox(DWORD process_id, Millis limit) {
  const HWND box =
      WaitFor("a message box of process " + std::to_string(process_id), limit, [&]() -> HWND {
        for (HWND window : TopLevelWindowsOf(process_id)) {
          if (IsDialogWindow(window) && IsShown(window) && GetDlgItem(window, 0xFFFF) != nullptr &&
              FindDescendant(window, L"Edit") == nullptr) {
            return window;
          }
        }
        return nullptr;
      });
  MessageBoxView view;
  view.window = box;
  view.title = TextOf(box);
  view.text = TextOf(GetDlgItem(box, 0xFFFF));
  view.buttons = ShownButtonCaptions(box);
  return view;
}

InputBoxView WaitForInputBox(DWORD process_id, Millis limit) {
  const HWND box =
      WaitFor("an input box of process " + std::to_string(process_id), limit, [&]() -> HWND {
        for (HWND window : TopLevelWindowsOf(process_id)) {
          if (IsDialogWindow(window) && IsShown(window) &&
              FindDescendant(window, L"Edit") != nullptr) {
            return window;
          }
        }
        return nullptr;
      });
  InputBoxView view;
  view.window = box;
  view.edit = FindDescendant(box, L"Edit");
  view.title = TextOf(box);
  for (HWND child : DescendantsOf(box)) {
    if (!IsClass(child, L"Static"))
      continue;
    const std::string text = TextOf(child);
    if (text.empty())
      continue;
    if (!view.prompt.empty())
      view.prompt += '\n';
    view.prompt += text;
  }
  view.buttons = ShownButtonCaptions(box);
  return view;
}

void PressDialogButton(HWND dialog, int button_id, Millis limit) {
  const HWND button = GetDlgItem(dialog, button_id);
  if (button == nullptr) {
    throw DriverError("the dialog \"" + TextOf(dialog) + "\" has no button with ID " +
                      std::to_string(button_id));
  }
  ClickButton(button);
  WaitUntilGone(dialog, "the dialog after pressing button " + std::to_string(button_id), limit);
}

void PressDialogButton(HWND dialog, const std::string& caption, Millis limit) {
  const HWND button = FindControl(dialog, {.class_name = "Button", .text = caption});
  if (button == nullptr) {
    throw DriverError("the dialog \"" + TextOf(dialog) + "\" has no button \"" + caption + "\"");
  }
  ClickButton(button);
  WaitUntilGone(dialog, "the dialog after pressing \"" + caption + "\"", limit);
}

bool NoDialogOpen(DWORD process_id) {
  for (HWND window : TopLevelWindowsOf(process_id)) {
    if (IsDialogWindow(window) && IsShown(window))
      return false;
  }
  return true;
}

}  // namespace quillset::e2e
