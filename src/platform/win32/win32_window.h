// A form's window as a real Win32 window, built from its control table: one child window per page,
// the labels, buttons, list box and the hidden text box on them, sized from twips by the screen's
// DPI.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/win32/handle.h"
#include "platform/win32/program.h"
#include "platform/win32/win32_text_box.h"

namespace quillset::win32 {

// Window classes, for tools that look the window up from outside.
inline constexpr wchar_t kMainWindowClass[] = L"QuillsetMainWindow";
inline constexpr wchar_t kPageWindowClass[] = L"QuillsetPage";

// Control IDs are 1000 + the ControlId number: never IDOK or IDCANCEL, which the dialog manager
// would send on its own.
inline constexpr int kControlIdBase = 1000;
inline int Win32ControlId(platform::ControlId id) {
  return kControlIdBase + static_cast<int>(id);
}

class Win32Window : public MainWindow {
 public:
  // Creates the window hidden, every page and control in place. hwnd() is nullptr when the
  // system refused to create it.
  Win32Window(const platform::FormSpec& form, HINSTANCE instance);
  ~Win32Window() override;
  Win32Window(const Win32Window&) = delete;
  Win32Window& operator=(const Win32Window&) = delete;

  HWND hwnd() const { return window_; }

  void SetHandlers(ButtonHandler on_button, CloseHandler on_close) override {
    on_button_ = std::move(on_button);
    on_close_ = std::move(on_close);
  }
  void Show() override;
  int RunMessageLoop() override;

  void ShowPage(platform::ControlId page) override;
  void ListClear() override;
  void ListAddItem(const std::string& item) override;
  void ListRefresh() override;
  void ListSetTabStops(std::span<const std::int32_t> stops) override;
  platform::TextBoxPort& DummyText() override { return text_box_; }
  void SetEnabled(bool enabled) override;
  bool DoEvents() override;
  void Unload() override;
  int MsgBox(const std::string& prompt, int style, const std::string& title) override;
  std::string InputBox(const std::string& prompt, const std::string& title) override;

 private:
  struct Page {
    Win32Window* owner = nullptr;
    const platform::FrameSpec* design = nullptr;
    HWND hwnd = nullptr;
    bool filled = false;  // its controls are made
  };

  static LRESULT CALLBACK MainProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK PageProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT HandleMain(UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT HandlePage(Page& page, UINT message, WPARAM wparam, LPARAM lparam);

  bool RegisterClasses(HINSTANCE instance);
  void CreatePages(HINSTANCE instance);
  void CreateControls(Page& page);
  int PixelsX(int twips) const;
  int PixelsY(int twips) const;
  int OuterHeight() const;
  Page* FindPage(platform::ControlId frame);
  // The keyboard focus (window_focus.cpp).
  void FocusPageInView();
  void KeepFocusInView();
  bool OnActivate(WPARAM wparam);
  HWND FirstTabStop(const Page& page) const;
  void OnCommand(WPARAM wparam);

  const platform::FormSpec& form_;
  HINSTANCE instance_;
  int dpi_x_ = 96;
  int dpi_y_ = 96;
  int outer_width_ = 0;
  ScopedFont font_;
  HWND window_ = nullptr;
  std::vector<Page> pages_;
  const Page* page_in_view_ = nullptr;
  struct Control {
    platform::ControlId id;
    platform::ControlKind kind;
    HWND hwnd;
  };
  std::vector<Control> controls_;
  HWND list_box_ = nullptr;
  Win32TextBox text_box_;
  HWND saved_focus_ = nullptr;
  ButtonHandler on_button_;
  CloseHandler on_close_;
};

}  // namespace quillset::win32
