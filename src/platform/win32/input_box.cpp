#include "platform/win32/input_box.h"

#include <string_view>
#include <vector>

#include "platform/win32/ansi_text.h"
#include "platform/win32/handle.h"
#include "platform/win32/win32_text_box.h"

namespace quillset::win32 {

namespace {

// Layout in dialog units: the prompt on the left with the buttons beside it, the text field
// across the bottom. The prompt grows to fit its text (see FitPromptToText).
constexpr short kMargin = 7;
constexpr short kDialogWidth = 320;
constexpr short kButtonWidth = 54;
constexpr short kButtonHeight = 14;
constexpr short kButtonX = kDialogWidth - kMargin - kButtonWidth;
constexpr short kPromptWidth = kButtonX - 2 * kMargin;
constexpr short kPromptHeight = 56;
constexpr short kEditHeight = 12;
constexpr short kEditY = kMargin + kPromptHeight + 4;
constexpr short kDialogHeight = kEditY + kEditHeight + kMargin;

constexpr WORD kButtonClass = 0x0080;
constexpr WORD kEditClass = 0x0081;
constexpr WORD kStaticClass = 0x0082;

// An in-memory DLGTEMPLATEEX: the header, then each item aligned to a DWORD.
class DialogTemplate {
 public:
  DialogTemplate(std::wstring_view title, DWORD style, short items) {
    Word(1);       // dlgVer
    Word(0xFFFF);  // signature: extended template
    Dword(0);      // helpID
    Dword(0);      // exStyle
    Dword(style);
    Word(static_cast<WORD>(items));
    Word(0);
    Word(0);
    Word(static_cast<WORD>(kDialogWidth));
    Word(static_cast<WORD>(kDialogHeight));
    Word(0);  // no menu
    Word(0);  // the standard dialog class
    Text(title);
    Word(8);  // point size
    Word(FW_NORMAL);
    Word(MAKEWORD(FALSE, DEFAULT_CHARSET));  // italic, charset
    Text(L"MS Shell Dlg 2");
  }

  void Item(WORD window_class, int id, DWORD style, short x, short y, short width, short height,
            std::wstring_view text) {
    if (words_.size() % 2 != 0)
      Word(0);
    Dword(0);  // helpID
    Dword(0);  // exStyle
    Dword(style | WS_CHILD | WS_VISIBLE);
    Word(static_cast<WORD>(x));
    Word(static_cast<WORD>(y));
    Word(static_cast<WORD>(width));
    Word(static_cast<WORD>(height));
    Dword(static_cast<DWORD>(id));
    Word(0xFFFF);
    Word(window_class);
    Text(text);
    Word(0);  // no creation data
  }

  const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  void Word(WORD value) { words_.push_back(value); }
  void Dword(DWORD value) {
    Word(LOWORD(value));
    Word(HIWORD(value));
  }
  void Text(std::wstring_view text) {
    for (wchar_t c : text)
      Word(static_cast<WORD>(c));
    Word(0);
  }

  std::vector<WORD> words_;  // WORD-sized, and the allocation is DWORD-aligned
};

struct InputBoxState {
  std::wstring prompt;
  std::wstring answer;
};

void MoveBy(HWND dialog, HWND control, int dy) {
  RECT rect{};
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
  SetWindowPos(control, nullptr, rect.left, rect.top + dy, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// A long prompt is shown whole: the prompt grows to the height its text needs, and the text field
// and the dialog with it.
void FitPromptToText(HWND dialog, const std::wstring& prompt) {
  HWND label = GetDlgItem(dialog, kInputBoxPromptId);
  RECT rect{};
  GetClientRect(label, &rect);
  RECT needed{0, 0, rect.right, 0};
  {
    const WindowDC dc(label);
    if (!dc)
      return;
    const Selection font(dc.get(), reinterpret_cast<HFONT>(SendMessageW(label, WM_GETFONT, 0, 0)));
    DrawTextW(dc.get(), prompt.c_str(), static_cast<int>(prompt.size()), &needed,
              DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
  }
  const int grow = needed.bottom - rect.bottom;
  if (grow <= 0)
    return;
  SetWindowPos(label, nullptr, 0, 0, rect.right, needed.bottom,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  MoveBy(dialog, GetDlgItem(dialog, kInputBoxEditId), grow);
  RECT outer{};
  GetWindowRect(dialog, &outer);
  SetWindowPos(dialog, nullptr, outer.left, outer.top - grow / 2, outer.right - outer.left,
               outer.bottom - outer.top + grow, SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK InputBoxProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_INITDIALOG: {
      auto* state = reinterpret_cast<InputBoxState*>(lparam);
      SetWindowLongPtrW(dialog, DWLP_USER, lparam);
      SetDlgItemTextW(dialog, kInputBoxPromptId, state->prompt.c_str());
      FitPromptToText(dialog, state->prompt);
      return TRUE;  // the focus goes to the first tab stop, the text field
    }
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK) {
        auto* state = reinterpret_cast<InputBoxState*>(GetWindowLongPtrW(dialog, DWLP_USER));
        state->answer = WindowTextOf(GetDlgItem(dialog, kInputBoxEditId));
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (LOWORD(wparam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      break;
    default:
      break;
  }
  return FALSE;
}

}  // namespace

std::string ShowInputBox(HWND owner, const std::string& prompt, const std::string& title) {
  DialogTemplate dialog(
      Utf8ToWide(title),
      WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SHELLFONT | DS_CENTER, 4);
  dialog.Item(kStaticClass, kInputBoxPromptId, SS_LEFT | SS_NOPREFIX, kMargin, kMargin,
              kPromptWidth, kPromptHeight, L"");
  dialog.Item(kEditClass, kInputBoxEditId, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, kMargin, kEditY,
              kDialogWidth - 2 * kMargin, kEditHeight, L"");
  dialog.Item(kButtonClass, IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, kButtonX, kMargin, kButtonWidth,
              kButtonHeight, L"OK");
  dialog.Item(kButtonClass, IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, kButtonX,
              kMargin + kButtonHeight + 4, kButtonWidth, kButtonHeight, L"Abbrechen");

  InputBoxState state{Utf8ToWide(prompt), {}};
  const INT_PTR result = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), dialog.get(), owner,
                                                 &InputBoxProc, reinterpret_cast<LPARAM>(&state));
  return result == IDOK ? WideToUtf8(state.answer) : std::string();
}

}  // namespace quillset::win32
