// The reference program of the measurements: a bare Win32 window of the same kind as quillset's
// (one window of about the same size with a text and the three buttons of the introduction page,
// centred and shown), made with nothing but CreateWindowExW: no registry inventory, no COM, no
// control table, no manifest.
//
//   bare_window.exe                         shows the window; "&Weiter" does nothing
//   bare_window.exe --busy-wait COMMAND     "&Weiter" starts COMMAND and waits for its end the
//                                           way a busy poll does: WaitForSingleObject(h, 0), then
//                                           disable the window and handle every pending message,
//                                           again at once, no pause
#include <windows.h>

#include <string>

#include "support/bare_window_shape.h"

namespace {

using quillset::bench::kBareWeiterButtonId;

constexpr int kInfoButtonId = 102;
constexpr int kCancelButtonId = 103;

std::wstring g_busy_wait_command;
HWND g_text = nullptr;

std::wstring BusyWaitCommand() {
  const std::wstring line = GetCommandLineW();
  const std::wstring option = L"--busy-wait ";
  const std::size_t at = line.find(option);
  return at == std::wstring::npos ? std::wstring() : line.substr(at + option.size());
}

void PumpPendingMessages() {
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) {
      ExitProcess(static_cast<UINT>(message.wParam));
    }
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
}

void BusyWait(HWND window) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started{};
  std::wstring command = g_busy_wait_command;
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS,
                      nullptr, nullptr, &startup, &started)) {
    SetWindowTextW(g_text, L"Der Aufruf ist fehlgeschlagen.");
    return;
  }
  CloseHandle(started.hThread);
  SetWindowTextW(g_text, L"Bitte warten ...");
  while (WaitForSingleObject(started.hProcess, 0) == WAIT_TIMEOUT) {
    EnableWindow(window, FALSE);
    PumpPendingMessages();
  }
  CloseHandle(started.hProcess);
  EnableWindow(window, TRUE);
  SetWindowTextW(g_text, L"Fertig.");
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      if (LOWORD(wparam) == kBareWeiterButtonId && !g_busy_wait_command.empty())
        BusyWait(window);
      if (LOWORD(wparam) == kCancelButtonId)
        DestroyWindow(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcW(window, message, wparam, lparam);
  }
}

HWND AddControl(HWND parent, const wchar_t* window_class, const wchar_t* text, DWORD style, int id,
                int x, int y, int width, int height) {
  HWND control = CreateWindowExW(0, window_class, text, WS_CHILD | WS_VISIBLE | style, x, y, width,
                                 height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleW(nullptr), nullptr);
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
               TRUE);
  return control;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show_command) {
  g_busy_wait_command = BusyWaitCommand();

  WNDCLASSW window_class{};
  window_class.lpfnWndProc = &WindowProc;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = L"QuillsetBenchBareWindow";
  if (RegisterClassW(&window_class) == 0)
    return 1;

  constexpr int kWidth = 520;
  constexpr int kHeight = 330;
  const int x = (GetSystemMetrics(SM_CXSCREEN) - kWidth) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - kHeight) / 2;
  HWND window = CreateWindowExW(0, window_class.lpszClassName, quillset::bench::kBareWindowCaption,
                                WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, x, y,
                                kWidth, kHeight, nullptr, nullptr, instance, nullptr);
  if (window == nullptr)
    return 1;
  g_text = AddControl(window, L"STATIC",
                      L"Dieses Fenster ist die Vergleichsgröße der Messungen: ein Text und drei "
                      L"Schaltflächen, sonst nichts.",
                      SS_LEFT, -1, 16, 16, 480, 160);
  AddControl(window, L"BUTTON", L"&Weiter", BS_DEFPUSHBUTTON | WS_TABSTOP, kBareWeiterButtonId, 16,
             240, 120, 30);
  AddControl(window, L"BUTTON", L"System-Info", BS_PUSHBUTTON | WS_TABSTOP, kInfoButtonId, 196, 240,
             120, 30);
  AddControl(window, L"BUTTON", L"A&bbrechen", BS_PUSHBUTTON | WS_TABSTOP, kCancelButtonId, 376,
             240, 120, 30);
  ShowWindow(window, show_command);
  UpdateWindow(window);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    if (!IsDialogMessageW(window, &message)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  return static_cast<int>(message.wParam);
}
