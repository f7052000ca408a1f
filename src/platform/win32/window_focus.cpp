// Where the keyboard focus goes: as in a dialog, to the first tab stop of the page in view, and
// back to where it was when the window becomes active again.
#include "platform/win32/win32_window.h"

namespace quillset::win32 {

HWND Win32Window::FirstTabStop(const Page& page) const {
  for (const Control& control : controls_) {
    if (GetParent(control.hwnd) != page.hwnd)
      continue;
    const LONG_PTR style = GetWindowLongPtrW(control.hwnd, GWL_STYLE);
    if ((style & (WS_TABSTOP | WS_VISIBLE | WS_DISABLED)) == (WS_TABSTOP | WS_VISIBLE))
      return control.hwnd;
  }
  return nullptr;
}

// The focus goes to the first control in tab order of the page in view, as when a dialog opens.
// While another window is active (a message box, or before the window is shown) it is kept for
// the moment the window becomes active again.
void Win32Window::FocusPageInView() {
  if (window_ == nullptr)
    return;
  // A page without a tab stop (the wait page), or no page at all, leaves the focus with the window
  // itself, never on a control out of sight.
  HWND target = page_in_view_ != nullptr ? FirstTabStop(*page_in_view_) : nullptr;
  if (target == nullptr)
    target = window_;
  if (GetActiveWindow() == window_)
    SetFocus(target);
  else
    saved_focus_ = target;
}

// After a change of page: a focus that is not on the page in view moves there.
void Win32Window::KeepFocusInView() {
  HWND focus = GetFocus();
  const bool focus_in_view = focus != nullptr && page_in_view_ != nullptr &&
                             IsChild(page_in_view_->hwnd, focus) && IsWindowVisible(focus) != FALSE;
  if (!focus_in_view)
    FocusPageInView();
}

// WM_ACTIVATE: leaving, the window remembers its focus; coming back (not minimised), it returns
// it there, or to the first tab stop of the page in view. True when it set the focus.
bool Win32Window::OnActivate(WPARAM wparam) {
  if (LOWORD(wparam) == WA_INACTIVE) {
    HWND focus = GetFocus();
    if (focus != nullptr && IsChild(window_, focus))
      saved_focus_ = focus;
    return false;
  }
  if (HIWORD(wparam) != 0)
    return false;
  HWND target = saved_focus_;
  if (target == nullptr || IsWindow(target) == FALSE || IsChild(window_, target) == FALSE ||
      IsWindowVisible(target) == FALSE || IsWindowEnabled(target) == FALSE) {
    target = page_in_view_ != nullptr ? FirstTabStop(*page_in_view_) : nullptr;
  }
  if (target == nullptr)
    return false;
  SetFocus(target);
  return true;
}

}  // namespace quillset::win32
