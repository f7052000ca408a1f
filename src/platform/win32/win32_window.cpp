#include "platform/win32/win32_window.h"

#include <algorithm>

#include "platform/win32/ansi_text.h"
#include "platform/win32/input_box.h"
#include "platform/win32/message_pump.h"
#include "platform/win32/resources/resource_ids.h"

namespace quillset::win32 {

using platform::ControlId;
using platform::ControlKind;

namespace {

constexpr int kTwipsPerInch = 1440;
// The control sizes were designed for the 8-point dialog font; a larger one would cut texts off.
constexpr int kDialogFontPoints = 8;
// The classic dialog font (the face of DEFAULT_GUI_FONT: MS Sans Serif on Windows XP, Microsoft
// Sans Serif later), whose widths the labels were laid out for. Tahoma ("MS Shell Dlg 2") is a
// few per cent wider: at 96 DPI it wraps the recommendation on the found-databases page onto a
// second line that the buttons cover.
constexpr wchar_t kDialogFontFace[] = L"MS Shell Dlg";

// Fixed size: nothing in the window reacts to a change of its size, so it offers none.
constexpr DWORD kMainWindowStyle =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

int BackgroundColorIndex(platform::Background background) {
  return background == platform::Background::ActiveCaptionText ? COLOR_CAPTIONTEXT : COLOR_WINDOW;
}

HICON LoadProgramIcon(HINSTANCE instance, int width_metric, int height_metric) {
  // Shared icons belong to the system: the class keeps them without anyone destroying them.
  return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_QUILLSET), IMAGE_ICON,
                                       GetSystemMetrics(width_metric),
                                       GetSystemMetrics(height_metric), LR_SHARED));
}

}  // namespace

Win32Window::Win32Window(const platform::FormSpec& form, HINSTANCE instance)
    : form_(form), instance_(instance) {
  if (const WindowDC screen(nullptr); screen) {
    dpi_x_ = GetDeviceCaps(screen.get(), LOGPIXELSX);
    dpi_y_ = GetDeviceCaps(screen.get(), LOGPIXELSY);
  }
  LOGFONTW font{};
  font.lfHeight = -MulDiv(kDialogFontPoints, dpi_y_, 72);
  font.lfWeight = FW_NORMAL;
  font.lfCharSet = DEFAULT_CHARSET;
  lstrcpynW(font.lfFaceName, kDialogFontFace, LF_FACESIZE);
  font_.reset(CreateFontIndirectW(&font));

  if (!RegisterClasses(instance))
    return;
  RECT frame{0, 0, PixelsX(form_.client_width), 0};
  AdjustWindowRectEx(&frame, kMainWindowStyle, FALSE, 0);
  outer_width_ = frame.right - frame.left;
  CreateWindowExW(0, kMainWindowClass, Utf8ToWide(form_.caption).c_str(), kMainWindowStyle,
                  CW_USEDEFAULT, CW_USEDEFAULT, outer_width_, OuterHeight(), nullptr, nullptr,
                  instance, this);
  if (window_ == nullptr)
    return;
  CreatePages(instance);
}

Win32Window::~Win32Window() {
  if (window_ != nullptr)
    DestroyWindow(window_);
}

bool Win32Window::RegisterClasses(HINSTANCE instance) {
  WNDCLASSEXW existing{};
  existing.cbSize = sizeof(existing);
  if (GetClassInfoExW(instance, kMainWindowClass, &existing) == FALSE) {
    WNDCLASSEXW main{};
    main.cbSize = sizeof(main);
    main.lpfnWndProc = &Win32Window::MainProc;
    main.hInstance = instance;
    main.hIcon = LoadProgramIcon(instance, SM_CXICON, SM_CYICON);
    main.hIconSm = LoadProgramIcon(instance, SM_CXSMICON, SM_CYSMICON);
    main.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    main.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    main.lpszClassName = kMainWindowClass;
    if (RegisterClassExW(&main) == 0)
      return false;
  }
  if (GetClassInfoExW(instance, kPageWindowClass, &existing) == FALSE) {
    WNDCLASSEXW page{};
    page.cbSize = sizeof(page);
    page.lpfnWndProc = &Win32Window::PageProc;
    page.hInstance = instance;
    page.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    page.lpszClassName = kPageWindowClass;
    if (RegisterClassExW(&page) == 0)
      return false;
  }
  return true;
}

int Win32Window::PixelsX(int twips) const {
  return MulDiv(twips, dpi_x_, kTwipsPerInch);
}

int Win32Window::PixelsY(int twips) const {
  return MulDiv(twips, dpi_y_, kTwipsPerInch);
}

// The design's outer height leaves room for one page below a title bar and frame of the classic
// size. A taller title bar (a larger caption font, a wider frame) would push the page's bottom,
// the buttons with it, out of the client area: the window then grows by what the page would lose.
int Win32Window::OuterHeight() const {
  int pages_bottom = 0;
  for (const platform::FrameSpec& frame : form_.frames)
    pages_bottom = std::max(pages_bottom, PixelsY(frame.top + frame.height));
  RECT needed{0, 0, 0, pages_bottom};
  AdjustWindowRectEx(&needed, kMainWindowStyle, FALSE, 0);
  return std::max<int>(PixelsY(form_.outer_height), needed.bottom - needed.top);
}

void Win32Window::CreatePages(HINSTANCE instance) {
  pages_.reserve(form_.frames.size());  // the page windows keep pointers into the vector
  for (const platform::FrameSpec& design : form_.frames) {
    Page& page = pages_.emplace_back();
    page.owner = this;
    page.design = &design;
    // A page is a control parent: Tab and the access keys reach the controls on it. Hidden, with
    // neither border nor caption, until it is shown.
    CreateWindowExW(WS_EX_CONTROLPARENT, kPageWindowClass, L"",
                    WS_CHILD | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, PixelsX(design.left),
                    PixelsY(design.top), PixelsX(design.width), PixelsY(design.height), window_,
                    reinterpret_cast<HMENU>(static_cast<INT_PTR>(Win32ControlId(design.id))),
                    instance, &page);
    // Later pages lie above earlier ones.
    if (page.hwnd != nullptr)
      SetWindowPos(page.hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

// A page's controls are made when the page is first shown, and those of the pages not yet shown
// just after the window's first paint: the user sees the first page sooner, and every control
// exists before the window takes its first input.
void Win32Window::CreateControls(Page& page) {
  if (page.filled || page.hwnd == nullptr)
    return;
  page.filled = true;
  // Created in tab order: the dialog manager walks the controls of a page in creation order.
  std::vector<const platform::ControlSpec*> ordered;
  for (const platform::ControlSpec& design : form_.controls) {
    if (design.page == page.design->id)
      ordered.push_back(&design);
  }
  std::stable_sort(ordered.begin(), ordered.end(),
                   [](const auto* a, const auto* b) { return a->tab_index < b->tab_index; });

  const std::size_t first_new = controls_.size();
  for (const platform::ControlSpec* design : ordered) {
    const wchar_t* window_class = L"STATIC";
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS | (design->hidden ? 0 : WS_VISIBLE);
    switch (design->kind) {
      case ControlKind::Label:
        // Word-wrapped, "&" shown as it is; a static never takes the focus.
        style |= SS_LEFT | SS_NOPREFIX;
        break;
      case ControlKind::Button:
        // Never BS_DEFPUSHBUTTON: the window has no default button.
        window_class = L"BUTTON";
        style |= BS_PUSHBUTTON | WS_TABSTOP;
        break;
      case ControlKind::ListBox:
        window_class = L"LISTBOX";
        style |= LBS_USETABSTOPS | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_BORDER | WS_TABSTOP;
        break;
      case ControlKind::TextBox:
        // Multi-line so that console output keeps its line ends and every byte of its length.
        window_class = L"EDIT";
        style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL;
        if (!design->hidden)
          style |= WS_BORDER | WS_TABSTOP;
        break;
    }
    HWND control = CreateWindowExW(
        0, window_class, Utf8ToWide(design->text).c_str(), style, PixelsX(design->left),
        PixelsY(design->top), PixelsX(design->width), PixelsY(design->height), page.hwnd,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(Win32ControlId(design->id))), instance_,
        nullptr);
    if (control == nullptr)
      continue;
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
    if (design->kind == ControlKind::ListBox)
      list_box_ = control;
    if (design->kind == ControlKind::TextBox) {
      SendMessageW(control, EM_LIMITTEXT, 0, 0);  // no limit: outputs of any length fit
      text_box_.Attach(control);
    }
    controls_.push_back(Control{design->id, design->kind, control});
  }
  // Labels lie beneath the other controls, so that a label whose rectangle reaches into the list
  // box never paints over it, and a later label lies above an earlier one whose empty lower part
  // it overlaps (Label6 below the introduction). Labels take no part in the tab order, so their
  // place in the stack of windows changes nothing for Tab.
  for (auto control = controls_.rbegin(); control != controls_.rend() - first_new; ++control) {
    if (control->kind == ControlKind::Label) {
      SetWindowPos(control->hwnd, HWND_BOTTOM, 0, 0, 0, 0,
                   SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
  }
}

Win32Window::Page* Win32Window::FindPage(ControlId frame) {
  for (Page& page : pages_) {
    if (page.design->id == frame)
      return &page;
  }
  return nullptr;
}

std::unique_ptr<MainWindow> MainWindow::Create(const platform::FormSpec& form) {
  auto window = std::make_unique<Win32Window>(form, GetModuleHandleW(nullptr));
  if (window->hwnd() == nullptr)
    return nullptr;
  return window;
}

// In the middle of the screen's work area, shown as the program's starter asked (SW_SHOWDEFAULT
// takes the show command of its start-up information).
void Win32Window::Show() {
  if (window_ == nullptr)
    return;
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  RECT outer{};
  GetWindowRect(window_, &outer);
  const int width = outer.right - outer.left;
  const int height = outer.bottom - outer.top;
  const int x = std::max<int>(work.left, work.left + (work.right - work.left - width) / 2);
  const int y = std::max<int>(work.top, work.top + (work.bottom - work.top - height) / 2);
  SetWindowPos(window_, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  ShowWindow(window_, SW_SHOWDEFAULT);
  SetDialogWindow(window_);
}

int Win32Window::RunMessageLoop() {
  if (window_ != nullptr)
    UpdateWindow(window_);
  for (Page& page : pages_)
    CreateControls(page);
  return win32::RunMessageLoop();
}

// Only the page in view is shown at the Win32 level; the others stay hidden, so that none of their
// controls can be reached by Tab, an access key or Enter while out of sight.
void Win32Window::ShowPage(ControlId id) {
  Page* page = FindPage(id);
  if (page != nullptr)
    CreateControls(*page);
  // The new page first, then hide the rest: the window never shows an empty client area between.
  if (page != nullptr && page->hwnd != nullptr)
    ShowWindow(page->hwnd, SW_SHOWNA);
  for (const Page& other : pages_) {
    if (&other != page && other.hwnd != nullptr)
      ShowWindow(other.hwnd, SW_HIDE);
  }
  if (page == page_in_view_)
    return;
  page_in_view_ = page;
  KeepFocusInView();
}

void Win32Window::ListClear() {
  if (list_box_ != nullptr)
    SendMessageW(list_box_, LB_RESETCONTENT, 0, 0);
}

void Win32Window::ListAddItem(const std::string& item) {
  if (list_box_ != nullptr) {
    SendMessageW(list_box_, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Utf8ToWide(item).c_str()));
  }
}

void Win32Window::ListRefresh() {
  if (list_box_ != nullptr) {
    InvalidateRect(list_box_, nullptr, TRUE);
    UpdateWindow(list_box_);
  }
}

void Win32Window::ListSetTabStops(std::span<const std::int32_t> stops) {
  if (list_box_ == nullptr)
    return;
  std::vector<INT> tab_stops(stops.begin(), stops.end());
  SendMessageW(list_box_, LB_SETTABSTOPS, tab_stops.size(),
               reinterpret_cast<LPARAM>(tab_stops.data()));
}

void Win32Window::SetEnabled(bool enabled) {
  if (window_ == nullptr)
    return;
  EnableWindow(window_, enabled ? TRUE : FALSE);
  HWND focus = GetFocus();
  if (enabled && (focus == nullptr || focus == window_))
    FocusPageInView();
}

bool Win32Window::DoEvents() {
  return PumpPendingMessages() && window_ != nullptr;
}

void Win32Window::Unload() {
  if (window_ != nullptr)
    DestroyWindow(window_);
  PostQuitMessage(0);
}

int Win32Window::MsgBox(const std::string& prompt, int style, const std::string& title) {
  return MessageBoxW(window_, Utf8ToWide(prompt).c_str(), Utf8ToWide(title).c_str(),
                     static_cast<UINT>(style));
}

std::string Win32Window::InputBox(const std::string& prompt, const std::string& title) {
  return ShowInputBox(window_, prompt, title);
}

LRESULT CALLBACK Win32Window::MainProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* self =
        static_cast<Win32Window*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    self->window_ = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<Win32Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr)
    return DefWindowProcW(hwnd, message, wparam, lparam);
  return self->HandleMain(message, wparam, lparam);
}

LRESULT Win32Window::HandleMain(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
      OnCommand(wparam);
      return 0;
    case WM_CLOSE:
      // Closing is the form's decision: it unloads the window, which ends the program.
      if (on_close_)
        on_close_();
      else
        Unload();
      return 0;
    case WM_ACTIVATE:
      if (OnActivate(wparam))
        return 0;
      break;
    case WM_NCDESTROY: {
      HWND hwnd = window_;
      window_ = nullptr;
      list_box_ = nullptr;
      text_box_.Attach(nullptr);
      page_in_view_ = nullptr;
      saved_focus_ = nullptr;
      for (Page& page : pages_)
        page.hwnd = nullptr;
      controls_.clear();
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      return DefWindowProcW(hwnd, message, wparam, lparam);
    }
    default:
      break;
  }
  return DefWindowProcW(window_, message, wparam, lparam);
}

void Win32Window::OnCommand(WPARAM wparam) {
  const int id = LOWORD(wparam);
  // The dialog manager sends IDOK and IDCANCEL for Enter and Escape; the window has neither a
  // default nor a cancel button, so they mean nothing here.
  if (id == IDOK || id == IDCANCEL || HIWORD(wparam) != BN_CLICKED)
    return;
  for (const Control& control : controls_) {
    if (Win32ControlId(control.id) != id || control.kind != ControlKind::Button)
      continue;
    // A button on a covered page is out of the user's reach.
    if (IsWindowVisible(control.hwnd) && on_button_)
      on_button_(control.id);
    return;
  }
}

LRESULT CALLBACK Win32Window::PageProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* page = static_cast<Page*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    page->hwnd = hwnd;
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(page));
  }
  auto* page = reinterpret_cast<Page*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (page == nullptr)
    return DefWindowProcW(hwnd, message, wparam, lparam);
  if (message == WM_NCDESTROY) {
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
    page->hwnd = nullptr;
    return DefWindowProcW(hwnd, message, wparam, lparam);
  }
  return page->owner->HandlePage(*page, message, wparam, lparam);
}

LRESULT Win32Window::HandlePage(Page& page, UINT message, WPARAM wparam, LPARAM lparam) {
  const int background = BackgroundColorIndex(page.design->background);
  switch (message) {
    case WM_COMMAND:
      // Button presses from every page reach the main window.
      if (window_ != nullptr)
        return SendMessageW(window_, WM_COMMAND, wparam, lparam);
      return 0;
    case WM_ERASEBKGND: {
      RECT client{};
      GetClientRect(page.hwnd, &client);
      FillRect(reinterpret_cast<HDC>(wparam), &client, GetSysColorBrush(background));
      return 1;
    }
    case WM_CTLCOLORSTATIC: {
      // Labels keep the window colour on every page, so their text stays readable on any page.
      HDC dc = reinterpret_cast<HDC>(wparam);
      SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
      SetBkColor(dc, GetSysColor(COLOR_WINDOW));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    }
    case WM_CTLCOLORBTN:
      // The corners around a themed button show the page.
      return reinterpret_cast<LRESULT>(GetSysColorBrush(background));
    default:
      break;
  }
  return DefWindowProcW(page.hwnd, message, wparam, lparam);
}

}  // namespace quillset::win32
