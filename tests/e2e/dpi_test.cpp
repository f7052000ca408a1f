// The window at the screen's DPI, measured from the control rectangles rather than by eye: the
// window one page tall, every page inside the client area and every control inside its page, no
// label text cut off, button captions inside their buttons, and the columns of the list box at
// its tab stops. These tests pass at any DPI; scripts/matrix runs them at 96, 120,
// 144 and 192 DPI (a fresh prefix each, since Wine reads LogPixels when it starts).
//
// Text is measured here, in the runner, with the platform's default dialog font: 8-point
// "MS Shell Dlg" at the screen's DPI (a font handle of another process means nothing here). The
// prefix maps it to MS Sans Serif and "MS Shell Dlg 2" to Tahoma, as Windows XP does.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <optional>
#include <vector>

#include "app/form_layout.h"
#include "driver/quillset_app.h"
#include "driver/sql_servers.h"
#include "driver/test_name.h"
#include "platform/win32/ansi_text.h"
#include "platform/win32/handle.h"
#include "platform/win32/win32_window.h"

namespace quillset::e2e {
namespace {

using platform::ControlId;
using platform::ControlKind;
using platform::ControlSpec;

constexpr int kDesignDpi = 96;
constexpr int kTwipsPerInch = 1440;
constexpr int kDialogFontPoints = 8;
constexpr Millis kFlowWait{60000};

int ScreenDpi() {
  const HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return dpi;
}

int Pixels(int twips, int dpi) {
  return MulDiv(twips, dpi, kTwipsPerInch);
}

int Width(const RECT& rect) {
  return rect.right - rect.left;
}

int Height(const RECT& rect) {
  return rect.bottom - rect.top;
}

std::string Describe(const RECT& rect) {
  return "(" + std::to_string(rect.left) + "," + std::to_string(rect.top) + ")-(" +
         std::to_string(rect.right) + "," + std::to_string(rect.bottom) + ")";
}

bool Contains(const RECT& outer, const RECT& inner) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
         inner.bottom <= outer.bottom;
}

// A memory DC with the dialog font of a DPI selected.
class TextMeasure {
 public:
  explicit TextMeasure(int dpi) : dc_(CreateCompatibleDC(nullptr)) {
    LOGFONTW font{};
    font.lfHeight = -MulDiv(kDialogFontPoints, dpi, 72);
    font.lfWeight = FW_NORMAL;
    font.lfCharSet = DEFAULT_CHARSET;
    lstrcpynW(font.lfFaceName, L"MS Shell Dlg", LF_FACESIZE);
    font_.reset(CreateFontIndirectW(&font));
    old_font_ = SelectObject(dc_, font_.get());
  }
  ~TextMeasure() {
    SelectObject(dc_, old_font_);
    DeleteDC(dc_);
  }
  TextMeasure(const TextMeasure&) = delete;
  TextMeasure& operator=(const TextMeasure&) = delete;

  // The size a static control (SS_LEFT | SS_NOPREFIX) needs to show the text in `width` pixels.
  SIZE Wrapped(const std::string& text, int width) const {
    return Calculate(text, width, DT_LEFT | DT_WORDBREAK | DT_EXPANDTABS | DT_NOPREFIX);
  }
  // The size of a button caption on one line, "&" marking the access key.
  SIZE SingleLine(const std::string& text) const {
    return Calculate(text, 0, DT_LEFT | DT_SINGLELINE);
  }
  // The average character width the list box counts its tab stops in (a quarter of it per unit):
  // the mean width of the 52 letters, rounded.
  HDC dc() const { return dc_; }
  int AverageCharWidth() const {
    SIZE size{};
    const wchar_t letters[] = L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    GetTextExtentPoint32W(dc_, letters, 52, &size);
    return (size.cx / 26 + 1) / 2;
  }

 private:
  SIZE Calculate(const std::string& text, int width, UINT format) const {
    const std::wstring wide = win32::Utf8ToWide(text);
    RECT rect{0, 0, width, 0};
    DrawTextW(dc_, wide.c_str(), static_cast<int>(wide.size()), &rect, format | DT_CALCRECT);
    return SIZE{Width(rect), Height(rect)};
  }

  HDC dc_;
  win32::ScopedFont font_;
  HGDIOBJ old_font_ = nullptr;
};

// A label's rectangle in its page, and the part of it that shows: the controls above it in the
// stack of windows (later labels, buttons, the list box) cover what lies below their top edge.
struct LabelArea {
  RECT rect;
  int visible_height;
};

std::vector<HWND> SiblingsTopToBottom(HWND page) {
  std::vector<HWND> children;
  for (HWND child = GetWindow(page, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    children.push_back(child);
  }
  return children;
}

// `rects` holds every shown control of the page in page coordinates, top of the stack first.
int VisibleHeight(const RECT& label, std::size_t label_index, const std::vector<RECT>& rects) {
  int bottom = label.bottom;
  for (std::size_t above = 0; above < label_index; ++above) {
    const RECT& other = rects[above];
    const bool overlaps_across = other.left < label.right && other.right > label.left;
    if (overlaps_across && other.top > label.top && other.top < bottom)
      bottom = other.top;
  }
  return bottom - label.top;
}

class DpiTest : public ::testing::Test {
 protected:
  DpiTest()
      : dpi_(ScreenDpi()),
        snapshot_(SqlServerRegistryTrees()),
        folders_(CurrentTestName(), {.setup_exe = false}),
        environment_(folders_.Environment()) {
    ClearSqlServerRegistry();
    RecordProperty("dpi", dpi_);
  }

  QuillsetApp& Start() {
    app_.emplace(folders_.app_folder() / "quillset.exe", folders_.app_folder(), environment_);
    return *app_;
  }

  std::string ShotName(const std::string& what) const {
    return "dpi-" + std::to_string(dpi_) + "-" + what;
  }

  // A page and its shown controls, top of the stack first, with their rectangles in
  // page coordinates.
  struct PageView {
    HWND page;
    std::vector<HWND> controls;
    std::vector<RECT> rects;
  };
  PageView ViewOf(ControlId page_id) const {
    PageView view{app_->Control(page_id), {}, {}};
    for (HWND child : SiblingsTopToBottom(view.page)) {
      if (GetWindowLongPtrW(child, GWL_STYLE) & WS_VISIBLE) {
        view.controls.push_back(child);
        view.rects.push_back(RectInClientOf(child, view.page));
      }
    }
    return view;
  }

  const int dpi_;
  RegistrySnapshot snapshot_;
  MsdeMachineFolders folders_;
  EnvironmentBlock environment_;
  std::optional<StandinService> server_;
  std::optional<RunningSqlServers> servers_;
  std::optional<QuillsetApp> app_;
};

TEST_F(DpiTest, TheWindowIsOnePageTallAndEveryControlLiesInsideItsPage) {
  QuillsetApp& app = Start();
  app.Screenshot(ShotName("introduction"));
  const RECT outer = WindowRectOf(app.window());
  const RECT client = ClientRectOf(app.window());
  // 3750 twips outside, unless the title bar and frame take more than the design left them: then
  // just enough for the page.
  int pages_bottom = 0;
  for (const platform::FrameSpec& frame : FormMainLayout().frames)
    pages_bottom = std::max(pages_bottom, Pixels(frame.top + frame.height, dpi_));
  const int frame_height = Height(outer) - Height(client);
  EXPECT_NEAR(Height(outer), std::max(Pixels(3750, dpi_), pages_bottom + frame_height), 1)
      << "title bar and frame " << frame_height << " pixels";
  EXPECT_NEAR(Width(client), Pixels(FormMainLayout().client_width, dpi_), 1);

  for (const platform::FrameSpec& frame : FormMainLayout().frames) {
    SCOPED_TRACE(frame.name);
    const HWND page = app.Control(frame.id);
    const RECT page_rect = RectInClientOf(page, app.window());
    EXPECT_TRUE(Contains(client, page_rect))
        << "page " << Describe(page_rect) << " client area " << Describe(client);
    EXPECT_NEAR(Height(page_rect), Pixels(frame.height, dpi_), 1);
    const RECT page_area = ClientRectOf(page);
    for (const ControlSpec& control : FormMainLayout().controls) {
      if (control.page != frame.id || control.hidden)
        continue;
      SCOPED_TRACE(control.name);
      const RECT rect = RectInClientOf(app.Control(control.id), page);
      EXPECT_TRUE(Contains(page_area, rect))
          << "control " << Describe(rect) << " page " << Describe(page_area);
    }
  }
}

// Every label fits at 96 DPI, the DPI the design was made for (this test in a 96-DPI prefix shows
// it), so at every DPI no label may be cut off. Measured at the DPI on screen only: the dialog
// font is a bitmap font on Windows XP, and Windows draws it from the set of sizes made for the
// screen's DPI, so text at 96 DPI cannot be measured on a screen of another DPI.
TEST_F(DpiTest, NoLabelIsCutOff) {
  Start();
  const TextMeasure now(dpi_);
  for (const platform::FrameSpec& frame : FormMainLayout().frames) {
    // Every page's controls are shown within their page, whichever page is in view.
    const PageView view = ViewOf(frame.id);
    for (std::size_t index = 0; index < view.controls.size(); ++index) {
      const ControlSpec* design = quillset::FindControl(
          static_cast<ControlId>(ControlIdOf(view.controls[index]) - win32::kControlIdBase));
      if (design == nullptr || design->kind != ControlKind::Label)
        continue;
      SCOPED_TRACE(design->name);
      const RECT& label = view.rects[index];
      const SIZE needed = now.Wrapped(TextOf(view.controls[index]), Width(label));
      EXPECT_LE(needed.cx, Width(label));
      EXPECT_LE(needed.cy, VisibleHeight(label, index, view.rects))
          << "at " << dpi_ << " DPI the text needs " << needed.cy << " pixels of " << Height(label)
          << " (" << Describe(label) << "), the controls above it leave "
          << VisibleHeight(label, index, view.rects);
    }
  }
}

TEST_F(DpiTest, EveryButtonCaptionFitsItsButton) {
  QuillsetApp& app = Start();
  const TextMeasure now(dpi_);
  // The edge and the focus rectangle of a push button take about three pixels a side at 96 DPI.
  const int margin = MulDiv(3, dpi_, kDesignDpi);
  for (const ControlSpec& control : FormMainLayout().controls) {
    if (control.kind != ControlKind::Button)
      continue;
    SCOPED_TRACE(control.name);
    const HWND button = app.Control(control.id);
    const RECT area = ClientRectOf(button);
    const SIZE needed = now.SingleLine(TextOf(button));
    EXPECT_LE(needed.cx, Width(area) - 2 * margin);
    EXPECT_LE(needed.cy, Height(area) - 2 * margin);
  }
}

// Pixels of the screen, top-left first, 0x00RRGGBB.
std::vector<std::uint32_t> ScreenPixels(const RECT& screen_rect) {
  const int width = Width(screen_rect);
  const int height = Height(screen_rect);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) * height);
  const HDC screen = GetDC(nullptr);
  const HDC memory = CreateCompatibleDC(screen);
  const HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  const HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, screen_rect.left, screen_rect.top, SRCCOPY);
  SelectObject(memory, old);
  GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return pixels;
}

bool IsInk(std::uint32_t pixel) {
  const unsigned luma =
      (((pixel >> 16) & 0xFF) * 3 + ((pixel >> 8) & 0xFF) * 6 + (pixel & 0xFF)) / 10;
  return luma < 128;
}

// Which columns of rows [top, bottom) of a picture hold dark pixels. The outermost pixels of the
// rows are left out: a list box draws its focus rectangle there.
std::vector<bool> InkColumns(const std::vector<std::uint32_t>& pixels, int width, int top,
                             int bottom) {
  std::vector<bool> ink(static_cast<std::size_t>(width), false);
  for (int y = top + 1; y < bottom - 1; ++y) {
    for (int x = 1; x < width - 1; ++x) {
      if (IsInk(pixels[static_cast<std::size_t>(y) * width + x]))
        ink[static_cast<std::size_t>(x)] = true;
    }
  }
  return ink;
}

// A list item as the list box should draw it: black text on white in the dialog font, TABs
// advancing to the tab stops (pixels from the text's start).
std::vector<bool> ReferenceInk(const TextMeasure& measure, const std::string& item, int width,
                               int height, std::vector<INT> stops) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  const HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HDC dc = measure.dc();
  const HGDIOBJ old = SelectObject(dc, bitmap);
  const RECT all{0, 0, width, height};
  FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  SetTextColor(dc, RGB(0, 0, 0));
  SetBkMode(dc, TRANSPARENT);
  const std::wstring text = win32::Utf8ToWide(item);
  TabbedTextOutW(dc, 2, 0, text.c_str(), static_cast<int>(text.size()),
                 static_cast<int>(stops.size()), stops.data(), 2);
  GdiFlush();
  const auto* data = static_cast<const std::uint32_t*>(bits);
  const std::vector<std::uint32_t> pixels(data, data + static_cast<std::size_t>(width) * height);
  SelectObject(dc, old);
  DeleteObject(bitmap);
  return InkColumns(pixels, width, 0, height);
}

int FirstInk(const std::vector<bool>& ink) {
  const auto found = std::find(ink.begin(), ink.end(), true);
  return found == ink.end() ? -1 : static_cast<int>(found - ink.begin());
}

// The ink columns of `a` that `b`, moved by `shift`, lacks within `slack` pixels either side.
int Misses(const std::vector<bool>& a, const std::vector<bool>& b, int shift, int slack) {
  int misses = 0;
  const int size = static_cast<int>(a.size());
  for (int x = 0; x < size; ++x) {
    if (!a[static_cast<std::size_t>(x)])
      continue;
    bool matched = false;
    for (int other = x + shift - slack; other <= x + shift + slack && !matched; ++other) {
      matched =
          other >= 0 && other < static_cast<int>(b.size()) && b[static_cast<std::size_t>(other)];
    }
    misses += matched ? 0 : 1;
  }
  return misses;
}

std::string Columns(const std::vector<bool>& ink) {
  std::string text;
  for (std::size_t x = 0; x < ink.size(); ++x) {
    if (ink[x] && (x == 0 || !ink[x - 1]))
      text += " " + std::to_string(x);
  }
  return text;
}

// The measurements above assume the font the window draws with. A button's caption on screen
// shows whether it is: the same letters in the same places as drawn here in the assumed font.
TEST_F(DpiTest, TheWindowDrawsInTheFontTheseTestsMeasureWith) {
  QuillsetApp& app = Start();
  const HWND button = app.Control(ControlId::Cmd_Info);  // not focused: no focus rectangle
  SetForegroundWindow(app.window());
  app.Screenshot(ShotName("font"));  // waits until the window is painted
  RECT area = ClientRectOf(button);
  MapWindowPoints(button, nullptr, reinterpret_cast<POINT*>(&area), 2);
  // Inside the button's edge.
  const int edge = MulDiv(3, dpi_, kDesignDpi);
  InflateRect(&area, -edge, -edge);
  const std::vector<std::uint32_t> pixels = ScreenPixels(area);
  const std::vector<bool> screen = InkColumns(pixels, Width(area), 0, Height(area));
  const TextMeasure now(dpi_);
  const std::vector<bool> reference =
      ReferenceInk(now, TextOf(button), Width(area), Height(area), {});
  ASSERT_GE(FirstInk(screen), 0) << "no caption on screen";
  const int shift = FirstInk(screen) - FirstInk(reference);
  const int ink = static_cast<int>(std::count(reference.begin(), reference.end(), true));
  EXPECT_LE(Misses(reference, screen, shift, 0) + Misses(screen, reference, -shift, 0), ink / 20)
      << "the caption's letters on screen stand at" << Columns(screen) << ", in the assumed font at"
      << Columns(reference) << " (+" << shift << ")";
}

TEST_F(DpiTest, TheListColumnsStandAtTheTabStops) {
  server_.emplace(StandinService::kServerName, StandinService::kServerDisplayName);
  server_->Start();
  // Editions of different widths: one version may go to the stop at 150, the other to 180.
  servers_.emplace(folders_.scratch(),
                   std::vector<SqlServerInstance>{{"PERSONAL", "Personal Edition", "8.00.194"},
                                                  {"ENTWICKLUNG", "Developer", "8.00.2039"}});
  servers_->AddTo(environment_);
  QuillsetApp& app = Start();
  app.Click(ControlId::Cmd_Installieren);
  WaitFor("the found-databases page", kFlowWait,
          [&] { return app.IsShown(ControlId::Frame_installationGefundeneInstanzen); });
  const HWND list = app.Control(ControlId::List_Instanzen);
  const std::vector<std::string> items = ListBoxItems(list);
  ASSERT_EQ(items.size(), 2u);
  ASSERT_EQ(items[0], SqlServerName("PERSONAL") + "\tPersonal Edition\t8.00.194\t");
  SetForegroundWindow(app.window());
  app.Screenshot(ShotName("found-databases"));  // waits until the page is painted

  // The stops 100, 150 and 180 count quarters of the font's average character width.
  const TextMeasure now(dpi_);
  const int average = now.AverageCharWidth();
  const std::vector<INT> stops{MulDiv(100, average, 4), MulDiv(150, average, 4),
                               MulDiv(180, average, 4)};
  RECT area = ClientRectOf(list);
  MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&area), 2);
  const std::vector<std::uint32_t> pixels = ScreenPixels(area);
  const int item_height = static_cast<int>(SendMessageW(list, LB_GETITEMHEIGHT, 0, 0));
  ASSERT_GT(item_height, 0);
  for (int item = 0; item < 2; ++item) {
    SCOPED_TRACE(items[static_cast<std::size_t>(item)]);
    const std::vector<bool> screen =
        InkColumns(pixels, Width(area), item * item_height, (item + 1) * item_height);
    const std::vector<bool> reference =
        ReferenceInk(now, items[static_cast<std::size_t>(item)], Width(area), item_height, stops);
    ASSERT_GE(FirstInk(screen), 0) << "no text on screen";
    // Lined up at the first letter: every column of text where the stops put it, give or take
    // a pixel of rounding.
    const int shift = FirstInk(screen) - FirstInk(reference);
    const int slack = std::max(1, dpi_ / 96);
    const int ink = static_cast<int>(std::count(reference.begin(), reference.end(), true));
    EXPECT_LE(Misses(reference, screen, shift, slack), ink / 50)
        << "text starts on screen at" << Columns(screen) << ", expected at" << Columns(reference)
        << " (+" << shift << "); stops " << stops[0] << " " << stops[1] << " " << stops[2];
    EXPECT_LE(Misses(screen, reference, -shift, slack), ink / 50)
        << "text starts on screen at" << Columns(screen) << ", expected at" << Columns(reference)
        << " (+" << shift << ")";
  }
}

}  // namespace
}  // namespace quillset::e2e
