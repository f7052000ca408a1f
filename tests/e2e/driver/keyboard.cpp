#include "driver/keyboard.h"

#include <chrono>
#include <iterator>
#include <vector>

#include "driver/ui.h"

namespace quillset::e2e {

namespace {

INPUT KeyEvent(UINT virtual_key, bool up) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = static_cast<WORD>(virtual_key);
  input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(virtual_key, 0 /* MAPVK_VK_TO_VSC */));
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return input;
}

}  // namespace

void SendKeyChord(HWND window, std::initializer_list<UINT> modifiers, UINT key) {
  SetForegroundWindow(window);
  WaitFor("\"" + TextOf(window) + "\" to come to the front", kDefaultWait,
          [&] { return GetForegroundWindow() == window; });
  std::vector<INPUT> inputs;
  for (UINT modifier : modifiers)
    inputs.push_back(KeyEvent(modifier, false));
  inputs.push_back(KeyEvent(key, false));
  inputs.push_back(KeyEvent(key, true));
  for (auto modifier = std::rbegin(modifiers); modifier != std::rend(modifiers); ++modifier)
    inputs.push_back(KeyEvent(*modifier, true));
  const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  if (sent != inputs.size()) {
    throw DriverError("SendInput took " + std::to_string(sent) + " of " +
                      std::to_string(inputs.size()) + " key events");
  }
}

std::string Describe(HWND window) {
  if (window == nullptr)
    return "no window";
  return ClassOf(window) + " \"" + TextOf(window) + "\"";
}

void WaitForFocus(HWND window, HWND control, Millis limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    const HWND focus = FocusedWindowOf(window);
    if (focus == control)
      return;
    if (std::chrono::steady_clock::now() >= deadline) {
      throw DriverError("waited " + std::to_string(limit.count()) + " ms for the focus on " +
                        Describe(control) + "; it is on " + Describe(focus));
    }
    Sleep(static_cast<DWORD>(kPollInterval.count()));
  }
}

}  // namespace quillset::e2e
