// The program's Text_dummy (Win32TextBox): it keeps the box's text in memory, so it must answer
// exactly as a plain EDIT control does, and a flood of console output must arrive whole without
// going through Wine's slow EDIT control.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/edit_text_box.h"
#include "driver/paths.h"
#include "inspect/command_runner.h"
#include "platform/win32/ansi_text.h"
#include "platform/win32/win32_processes.h"
#include "platform/win32/win32_text_box.h"

namespace quillset::e2e {
namespace {

using win32::Win32TextBox;

// One step done to both boxes. Texts of SetText are UTF-8, those of ReplaceSelection ANSI bytes.
struct Step {
  enum Kind { kSetText, kSelect, kReplace } kind;
  std::string text;
  int start = 0;
  int end = 0;
};

Step SetText(std::string text) {
  return {Step::kSetText, std::move(text)};
}
Step Select(int start, int end) {
  return {Step::kSelect, "", start, end};
}
Step Replace(std::string ansi) {
  return {Step::kReplace, std::move(ansi)};
}

void Apply(platform::TextBoxPort& box, const Step& step) {
  switch (step.kind) {
    case Step::kSetText:
      box.SetText(step.text);
      break;
    case Step::kSelect:
      box.SetSelection(step.start, step.end);
      break;
    case Step::kReplace:
      box.ReplaceSelection(step.text.c_str());
      break;
  }
}

class TextBoxTest : public ::testing::Test {
 protected:
  TextBoxTest() { program_box_.Attach(program_edit_.hwnd()); }
  ~TextBoxTest() override { program_box_.Attach(nullptr); }

  HiddenEditControl reference_;
  HiddenEditControl program_edit_;
  Win32TextBox program_box_;
  win32::Win32Processes processes_;
};

TEST_F(TextBoxTest, AnswersEverySelectionAndReplacementAsAnEditControlDoes) {
  const std::vector<Step> steps = {
      Replace("a"),  // the caret of a new control is at 0: before "Text1"
      Replace("b"),
      Select(-1, 0),
      Replace("c"),
      SetText("Anfang"),  // a new text puts the caret back to 0
      Replace("<"),
      Select(2, 4),
      Replace("--"),
      Select(5, 1),  // backwards: the selection is still 1 to 5
      Replace("xy"),
      Select(3, 3),
      Select(-1, 99),  // deselects and keeps the caret at 3
      Replace("|"),
      Select(0, -1),  // everything
      Replace("alles"),
      Select(100, 200),  // beyond the end: the end
      Replace(" Ende"),
      Select(2, 7),
      Select(-1, 0),  // the caret is at the selection's end, 7
      Replace("^"),
      Replace("\xC4\xD6\xDC\xDF"),  // "ÄÖÜß" in the ANSI code page
      Replace(""),
      Select(1, 3),
      Replace(""),                              // an empty replacement deletes the selection
      SetText("l\xC3\xA4uft\r\nzweite Zeile"),  // UTF-8 with a line break
      Select(-1, 0),
      Replace("\r\n+"),
      SetText(""),
      Replace("    MSSQL$GLOBANA\r\n"),
  };
  for (std::size_t i = 0; i < steps.size(); ++i) {
    Apply(reference_.box(), steps[i]);
    Apply(program_box_, steps[i]);
    ASSERT_EQ(program_box_.Text(), reference_.box().Text()) << "after step " << i;
  }
}

TEST_F(TextBoxTest, TheControlShowsTheTextWhileItIsShort) {
  RunCommandToTextBox(
      {processes_, program_box_},
      "\"" + win32::WideToUtf8(StandinExePath(L"talker")) + "\" out \"    Server\\r\\n\"");
  EXPECT_EQ(program_box_.Text(), "    Server\r\n");
  EXPECT_EQ(win32::WideToUtf8(win32::WindowTextOf(program_edit_.hwnd())), "    Server\r\n");
}

// Wine's EDIT control took minutes for this; the program's box takes it at the pipe's speed.
TEST_F(TextBoxTest, TenMegabytesOfOutputArriveWholeAndTheControlShowsTheirHead) {
  constexpr std::size_t kBytes = 10'000'000;
  RunCommandToTextBox(
      {processes_, program_box_},
      "\"" + win32::WideToUtf8(StandinExePath(L"talker")) + "\" bytes " + std::to_string(kBytes));
  const std::string text = program_box_.Text();
  ASSERT_EQ(text.size(), kBytes);
  // talker's pattern: lines of 62 characters, each closed by CR LF.
  static const char kAlphabet[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::size_t wrong = 0;
  for (std::size_t i = 0; i < kBytes; ++i) {
    const char expected = i % 64 == 62 ? '\r' : i % 64 == 63 ? '\n' : kAlphabet[i % 36];
    wrong += text[i] != expected;
  }
  EXPECT_EQ(wrong, 0u);
  const std::wstring shown = win32::WindowTextOf(program_edit_.hwnd());
  EXPECT_EQ(shown.size(), Win32TextBox::kMirroredCharacters);
  EXPECT_TRUE(win32::WideToUtf8(shown) == text.substr(0, Win32TextBox::kMirroredCharacters));

  // A command that cannot start leaves all of it as it was.
  RunCommandToTextBox({processes_, program_box_}, "quillset-no-such-program-4711");
  EXPECT_EQ(program_box_.Text().size(), kBytes);
  // A new command replaces it, and the control follows.
  RunCommandToTextBox({processes_, program_box_},
                      "\"" + win32::WideToUtf8(StandinExePath(L"talker")) + "\" out kurz");
  EXPECT_EQ(program_box_.Text(), "kurz");
  EXPECT_EQ(win32::WideToUtf8(win32::WindowTextOf(program_edit_.hwnd())), "kurz");
}

}  // namespace
}  // namespace quillset::e2e
