#include "platform/win32/win32_text_box.h"

#include <algorithm>

#include "platform/win32/ansi_text.h"

namespace quillset::win32 {

std::wstring WindowTextOf(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
  return text;
}

void Win32TextBox::Attach(HWND edit) {
  edit_ = edit;
  text_ = edit != nullptr ? WindowTextOf(edit) : std::wstring();
  selection_start_ = selection_end_ = 0;
  shown_ = std::min(text_.size(), kMirroredCharacters);
  if (text_.size() > kMirroredCharacters)
    ShowHeadInControl();
}

std::string Win32TextBox::Text() {
  return Gone() ? std::string() : WideToUtf8(text_);
}

void Win32TextBox::SetText(const std::string& text) {
  if (Gone())
    return;
  text_ = Utf8ToWide(text);
  // A window text ends at its first NUL.
  text_.resize(std::min(text_.size(), text_.find(L'\0')));
  selection_start_ = selection_end_ = 0;
  ShowHeadInControl();
}

void Win32TextBox::SetSelection(int start, int end) {
  if (Gone())
    return;
  if (start == -1) {
    selection_start_ = selection_end_;  // deselect; the caret stays where it is
    return;
  }
  // Positions are unsigned to the control: -1 and anything past the end mean the end.
  selection_start_ = std::min<std::size_t>(static_cast<unsigned int>(start), text_.size());
  selection_end_ = std::min<std::size_t>(static_cast<unsigned int>(end), text_.size());
}

void Win32TextBox::ReplaceSelection(const char* ansi) {
  if (Gone())
    return;
  // The bytes up to the first zero, read in the ANSI code page as EM_REPLACESEL's ...A form reads
  // them.
  const std::wstring inserted = AnsiToWide(ansi);
  const std::size_t from = std::min(selection_start_, selection_end_);
  const std::size_t to = std::max(selection_start_, selection_end_);
  const std::size_t old_size = text_.size();
  text_.replace(from, to - from, inserted);
  selection_start_ = selection_end_ = from + inserted.size();

  if (edit_ == nullptr || from >= kMirroredCharacters)
    return;  // no control, or the part it shows is unchanged
  if (from == to && from == old_size && old_size == shown_) {
    // Appended behind a text the control holds whole: append what still fits.
    const std::wstring piece = inserted.substr(0, kMirroredCharacters - shown_);
    SendMessageW(edit_, EM_SETSEL, static_cast<WPARAM>(shown_), static_cast<LPARAM>(shown_));
    SendMessageW(edit_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(piece.c_str()));
    shown_ += piece.size();
    return;
  }
  ShowHeadInControl();
}

void Win32TextBox::ShowHeadInControl() {
  if (edit_ == nullptr)
    return;
  const std::wstring head = text_.substr(0, kMirroredCharacters);
  SetWindowTextW(edit_, head.c_str());
  shown_ = head.size();
}

}  // namespace quillset::win32
