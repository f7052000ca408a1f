// A small window that the driver's own tests drive: the kinds of controls and boxes quillset.exe
// has (labels, buttons with access keys, a list box with tab stops, a message box, an input box),
// and a message loop with the same dialog-key rules (no default or cancel button).
#include <windows.h>

namespace {

constexpr int kBoxButton = 101;
constexpr int kInputButton = 102;
constexpr int kAnswerLabel = 103;
constexpr int kList = 104;
constexpr int kCountButton = 105;
constexpr int kCountLabel = 106;
constexpr int kInputEdit = 200;

HWND g_window = nullptr;
int g_count = 0;

// The input box: a dialog template built in memory (caption, prompt, edit, OK, Abbrechen).
INT_PTR CALLBACK InputProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK) {
        wchar_t text[256] = {};
        GetDlgItemTextW(dialog, kInputEdit, text, 256);
        SetDlgItemTextW(g_window, kAnswerLabel, text);
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (LOWORD(wparam) == IDCANCEL) {
        SetDlgItemTextW(g_window, kAnswerLabel, L"(abgebrochen)");
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

// Appends a DLGITEMTEMPLATE with a predefined class (by atom) and a text, DWORD-aligned.
WORD* AddItem(WORD* at, DWORD style, short x, short y, short cx, short cy, WORD id, WORD atom,
              const wchar_t* text) {
  at = reinterpret_cast<WORD*>((reinterpret_cast<ULONG_PTR>(at) + 3) & ~ULONG_PTR{3});
  auto* item = reinterpret_cast<DLGITEMTEMPLATE*>(at);
  item->style = style | WS_CHILD | WS_VISIBLE;
  item->x = x;
  item->y = y;
  item->cx = cx;
  item->cy = cy;
  item->id = id;
  at = reinterpret_cast<WORD*>(item + 1);
  *at++ = 0xFFFF;
  *at++ = atom;
  while ((*at++ = static_cast<WORD>(*text++)) != 0) {
  }
  *at++ = 0;  // no creation data
  return at;
}

void ShowInputBox() {
  alignas(4) static WORD buffer[1024];
  ZeroMemory(buffer, sizeof buffer);
  auto* dialog = reinterpret_cast<DLGTEMPLATE*>(buffer);
  dialog->style = DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU;
  dialog->cdit = 4;
  dialog->cx = 200;
  dialog->cy = 80;
  WORD* at = reinterpret_cast<WORD*>(dialog + 1);
  *at++ = 0;  // no menu
  *at++ = 0;  // default class
  for (const wchar_t* title = L"Eingabe"; (*at++ = static_cast<WORD>(*title)) != 0; ++title) {
  }
  at = AddItem(at, SS_LEFT, 7, 7, 130, 30, 0xFFFF, 0x0082, L"Bitte einen Namen eingeben:");
  at =
      AddItem(at, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP, 7, 45, 186, 14, kInputEdit, 0x0081, L"");
  at = AddItem(at, BS_PUSHBUTTON | WS_TABSTOP, 143, 7, 50, 14, IDOK, 0x0080, L"OK");
  AddItem(at, BS_PUSHBUTTON | WS_TABSTOP, 143, 24, 50, 14, IDCANCEL, 0x0080, L"Abbrechen");
  DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dialog, g_window, &InputProc, 0);
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wparam) != BN_CLICKED)
        break;
      if (LOWORD(wparam) == kBoxButton) {
        MessageBoxW(window, L"Zeile 1\n\tEingerückt\n\nÄÖÜ ß\n", L"Titel für die Box",
                    MB_ICONINFORMATION);
      } else if (LOWORD(wparam) == kInputButton) {
        ShowInputBox();
      } else if (LOWORD(wparam) == kCountButton) {
        wchar_t text[16];
        wsprintfW(text, L"%d", ++g_count);
        SetDlgItemTextW(window, kCountLabel, text);
      }
      return 0;
    case WM_DESTROY:
      PostQuitMessage(7);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

HWND AddControl(const wchar_t* class_name, const wchar_t* text, DWORD style, int x, int y,
                int width, int height, int id) {
  HWND control = CreateWindowExW(
      0, class_name, text, style | WS_CHILD | WS_VISIBLE, x, y, width, height, g_window,
      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr), nullptr);
  SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
  return control;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  WNDCLASSW window_class = {};
  window_class.lpfnWndProc = &WindowProc;
  window_class.hInstance = instance;
  window_class.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  window_class.lpszClassName = L"DriverTarget";
  RegisterClassW(&window_class);
  g_window = CreateWindowExW(WS_EX_CONTROLPARENT, L"DriverTarget", L"Fenster für den Treiber",
                             WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 100, 80, 400,
                             260, nullptr, nullptr, instance, nullptr);
  AddControl(L"BUTTON", L"&Box", BS_PUSHBUTTON | WS_TABSTOP, 10, 10, 100, 26, kBoxButton);
  AddControl(L"BUTTON", L"&Eingabe", BS_PUSHBUTTON | WS_TABSTOP, 120, 10, 100, 26, kInputButton);
  AddControl(L"BUTTON", L"&Zählen", BS_PUSHBUTTON | WS_TABSTOP, 230, 10, 100, 26, kCountButton);
  AddControl(L"STATIC", L"", SS_LEFT, 10, 50, 300, 20, kAnswerLabel);
  AddControl(L"STATIC", L"0", SS_LEFT, 320, 50, 60, 20, kCountLabel);
  HWND list = AddControl(L"LISTBOX", L"", WS_BORDER | WS_VSCROLL | LBS_USETABSTOPS, 10, 80, 360,
                         120, kList);
  const INT stops[] = {100, 150, 180};
  SendMessageW(list, LB_SETTABSTOPS, 3, reinterpret_cast<LPARAM>(stops));
  SendMessageW(list, LB_ADDSTRING, 0,
               reinterpret_cast<LPARAM>(L"RECHNER\\GLOBANA\tDesktop Engine\t8.00.760\t"));
  SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"RECHNER\t\t\t"));
  ShowWindow(g_window, SW_SHOW);
  SetFocus(GetDlgItem(g_window, kBoxButton));

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    // No default and no cancel button: Escape and Enter press nothing here.
    if ((msg.message == WM_KEYDOWN || msg.message == WM_CHAR) &&
        (msg.wParam == VK_ESCAPE || msg.wParam == VK_RETURN)) {
      continue;
    }
    if (IsDialogMessageW(g_window, &msg))
      continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}
