#include "driver/edit_text_box.h"

#include "driver/wait.h"
#include "platform/win32/ansi_text.h"
#include "platform/win32/message_pump.h"

namespace quillset::e2e {

std::string EditTextBox::Text() {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(edit_)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(edit_, text.data(), static_cast<int>(text.size()))));
  return win32::WideToUtf8(text);
}

void EditTextBox::SetText(const std::string& text) {
  SetWindowTextW(edit_, win32::Utf8ToWide(text).c_str());
}

void EditTextBox::SetSelection(int start, int end) {
  SendMessageW(edit_, EM_SETSEL, static_cast<WPARAM>(start), static_cast<LPARAM>(end));
}

void EditTextBox::ReplaceSelection(const char* ansi) {
  SendMessageA(edit_, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(ansi));
}

HiddenEditControl::HiddenEditControl(HWND parent) {
  const HINSTANCE instance = GetModuleHandleW(nullptr);
  if (parent == nullptr) {
    own_parent_ = CreateWindowExW(0, L"STATIC", L"quillset e2e edit owner", WS_OVERLAPPEDWINDOW, 0,
                                  0, 300, 200, nullptr, nullptr, instance, nullptr);
    if (own_parent_ == nullptr)
      throw DriverError("cannot create the owner of the edit control");
    parent = own_parent_;
  }
  edit_ = CreateWindowExW(0, L"EDIT", L"Text1",
                          WS_CHILD | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL, 0, 0, 200, 100,
                          parent, nullptr, instance, nullptr);
  if (edit_ == nullptr)
    throw DriverError("cannot create the edit control");
  SendMessageW(edit_, EM_LIMITTEXT, 0, 0);
  box_ = EditTextBox(edit_);
}

HiddenEditControl::~HiddenEditControl() {
  DestroyWindow(own_parent_ != nullptr ? own_parent_ : edit_);
  win32::PumpPendingMessages();
}

}  // namespace quillset::e2e
