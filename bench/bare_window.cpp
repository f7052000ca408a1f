// The reference program of the measurements: a bare Win32 window of the kind quillset shows (a
// text and the introduction page's three buttons), made with CreateWindowExW and nothing else.
// "&Weiter" does what the command line says:
//   --busy-poll COMMAND      start COMMAND and poll it flat out until it ends: WaitForSingleObject
//                            (h, 0), disable the window, handle every pending message, again
//   --blocking-read COMMAND  start COMMAND with its output into a pipe and read it with a
//                            blocking ReadFile until the pipe ends: the window answers nothing
//   --commands FILE          run FILE's command lines so, one after the other; a message box
// bare_window_manifest.exe is the same with quillset's manifest and common controls start-up.
#include <windows.h>
#ifdef BARE_WINDOW_COMMON_CONTROLS
#include <commctrl.h>
#endif

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "platform/win32/handle.h"

namespace {

using quillset::win32::ScopedHandle;

constexpr int kWeiter = 101, kCancel = 103;  // "System-Info" is 102
std::wstring g_mode, g_argument;

ScopedHandle Start(std::wstring command, HANDLE output) {
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  if (output != nullptr) {
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;  // hidden, output into the pipe
    startup.hStdOutput = startup.hStdError = output;
  }
  PROCESS_INFORMATION started{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                      &startup, &started))
    return ScopedHandle();
  const ScopedHandle thread(started.hThread);
  return ScopedHandle(started.hProcess);
}

void BlockingRead(const std::wstring& command) {
  SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
  ScopedHandle read_end, write_end;
  if (!CreatePipe(read_end.receive(), write_end.receive(), &inheritable, 0))
    return;
  SetHandleInformation(read_end.get(), HANDLE_FLAG_INHERIT, 0);
  const ScopedHandle process = Start(command, write_end.get());
  write_end.reset();  // the pipe ends when the program's copy closes
  char buffer[1024];
  DWORD count = 0;
  while (process && ReadFile(read_end.get(), buffer, sizeof buffer, &count, nullptr)) {
  }
}

void BusyPoll(HWND window, const std::wstring& command) {
  const ScopedHandle process = Start(command, nullptr);
  while (process && WaitForSingleObject(process.get(), 0) == WAIT_TIMEOUT) {
    EnableWindow(window, FALSE);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageW(&message);
    }
  }
  EnableWindow(window, TRUE);
}

void RunCommands(HWND window, const std::wstring& file) {
  const std::unique_ptr<FILE, int (*)(FILE*)> list(_wfopen(file.c_str(), L"r"), &std::fclose);
  char line[4096];
  while (list && std::fgets(line, sizeof line, list.get())) {
    line[std::strcspn(line, "\r\n")] = '\0';
    BlockingRead(std::wstring(line, line + std::strlen(line)));
  }
  MessageBoxW(window, L"Fertig.", L"bare_window", MB_OK);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_COMMAND && LOWORD(wparam) == kWeiter && g_mode == L"--busy-poll")
    BusyPoll(window, g_argument);
  else if (message == WM_COMMAND && LOWORD(wparam) == kWeiter && g_mode == L"--blocking-read")
    BlockingRead(g_argument);
  else if (message == WM_COMMAND && LOWORD(wparam) == kWeiter && g_mode == L"--commands")
    RunCommands(window, g_argument);
  else if (message == WM_COMMAND && LOWORD(wparam) == kCancel)
    DestroyWindow(window);
  else if (message == WM_DESTROY)
    PostQuitMessage(0);
  else
    return DefWindowProcW(window, message, wparam, lparam);
  return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show_command) {
#ifdef BARE_WINDOW_COMMON_CONTROLS
  INITCOMMONCONTROLSEX common_controls{sizeof(common_controls), ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&common_controls);
#endif
  const std::wstring line = GetCommandLineW();
  for (const std::wstring mode : {L"--busy-poll", L"--blocking-read", L"--commands"}) {
    if (line.find(mode + L" ") != std::wstring::npos) {
      g_mode = mode;
      g_argument = line.substr(line.find(mode + L" ") + mode.size() + 1);
    }
  }
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = &WindowProc;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = L"QuillsetBenchBareWindow";
  RegisterClassW(&window_class);
  HWND window =
      CreateWindowExW(0, window_class.lpszClassName, L"bare_window",
                      WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, CW_USEDEFAULT,
                      CW_USEDEFAULT, 520, 330, nullptr, nullptr, instance, nullptr);
  CreateWindowExW(0, L"STATIC", L"Die Vergleichsgröße der Messungen.", WS_CHILD | WS_VISIBLE, 16,
                  16, 480, 160, window, nullptr, instance, nullptr);
  const wchar_t* captions[] = {L"&Weiter", L"System-Info", L"A&bbrechen"};
  for (int i = 0; i < 3; ++i) {
    HWND button = CreateWindowExW(
        0, L"BUTTON", captions[i], WS_CHILD | WS_VISIBLE | WS_TABSTOP, 16 + 180 * i, 240, 120, 30,
        window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kWeiter + i)), instance, nullptr);
    SendMessageW(button, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
  }
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
