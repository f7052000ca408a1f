// A console program whose output never pauses: the window must still handle its messages between
// the pieces the runner reads, not only when the pipe runs dry.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "driver/paths.h"
#include "inspect/command_runner.h"
#include "platform/win32/ansi_text.h"
#include "platform/win32/message_pump.h"
#include "platform/win32/win32_processes.h"

namespace quillset::e2e {
namespace {

constexpr UINT kPing = WM_APP + 7;

// Counts the pieces appended, and posts one message to the window when the first arrives.
class PingingBox : public platform::TextBoxPort {
 public:
  explicit PingingBox(HWND window) : window_(window) {}
  std::string Text() override { return text_; }
  void SetText(const std::string& text) override { text_ = text; }
  void SetSelection(int, int) override {}
  void ReplaceSelection(const char* ansi) override {
    text_ += ansi;
    if (++pieces_ == 1)
      PostMessageW(window_, kPing, 0, 0);
  }
  int pieces() const { return pieces_; }

 private:
  HWND window_;
  std::string text_;
  int pieces_ = 0;
};

PingingBox* g_box = nullptr;
int g_pieces_when_handled = -1;

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == kPing && g_box != nullptr) {
    g_pieces_when_handled = g_box->pieces();
    return 0;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

TEST(ConsoleFlood, TheWindowHandlesAMessageBeforeTheNextPieceArrives) {
  WNDCLASSW window_class{};
  window_class.lpfnWndProc = &WindowProc;
  window_class.hInstance = GetModuleHandleW(nullptr);
  window_class.lpszClassName = L"QuillsetConsoleFloodTest";
  RegisterClassW(&window_class);
  HWND window = CreateWindowExW(0, window_class.lpszClassName, L"console flood", WS_POPUP, 0, 0, 10,
                                10, nullptr, nullptr, window_class.hInstance, nullptr);
  ASSERT_NE(window, nullptr);

  win32::Win32Processes processes;
  PingingBox box(window);
  g_box = &box;
  // 20 MB written as fast as the pipe takes them: the pipe is hardly ever empty.
  RunCommandToTextBox({processes, box},
                      "\"" + win32::WideToUtf8(StandinExePath(L"talker")) + "\" bytes 20000000");
  g_box = nullptr;
  DestroyWindow(window);
  win32::PumpPendingMessages();

  EXPECT_EQ(box.Text().size(), 20000000u);
  // Posted while the first piece was appended, handled while the second was read.
  EXPECT_EQ(g_pieces_when_handled, 1);
}

}  // namespace
}  // namespace quillset::e2e
