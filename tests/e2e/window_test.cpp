// The real window under Wine, seen from outside: its shape and place at start-up, the pages and
// texts on screen, and the ways the program ends (or does not).
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/form_layout.h"
#include "driver/quillset_app.h"
#include "driver/test_name.h"

namespace quillset::e2e {
namespace {

using platform::ControlId;

// A machine without SQL Server: the inventory finds nothing.
class WindowTest : public ::testing::Test {
 protected:
  WindowTest() : snapshot_(SqlServerRegistryTrees()), folders_(CurrentTestName()) {
    ClearSqlServerRegistry();
  }

  QuillsetApp& Start() {
    app_.emplace(folders_);
    return *app_;
  }

  RegistrySnapshot snapshot_;
  MsdeMachineFolders folders_;
  std::optional<QuillsetApp> app_;
};

bool IsOnIntroductionPage(ControlId id) {
  const platform::ControlSpec* design = quillset::FindControl(id);
  return design != nullptr && design->page == ControlId::Frame_installationOK;
}

TEST_F(WindowTest, OpensOnePageTallAndCentredOnTheIntroductionPage) {
  QuillsetApp& app = Start();
  app.Screenshot("introduction");
  const RECT outer = WindowRectOf(app.window());
  const RECT client = ClientRectOf(app.window());
  EXPECT_NEAR(client.right - client.left, TwipsToPixelsX(FormMainLayout().client_width), 1);
  EXPECT_NEAR(outer.bottom - outer.top, TwipsToPixelsY(3750), 1);

  RECT work = {};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  EXPECT_NEAR(outer.left - work.left, work.right - outer.right, 1);
  EXPECT_NEAR(outer.top - work.top, work.bottom - outer.bottom, 1);

  // The introduction page at Left 0, Top 10; the three other pages hidden.
  EXPECT_TRUE(app.IsShown(ControlId::Frame_installationOK));
  const RECT page = RectInClientOf(app.Control(ControlId::Frame_installationOK), app.window());
  EXPECT_EQ(page.left, 0);
  EXPECT_EQ(page.top, TwipsToPixelsY(10));
  EXPECT_FALSE(app.IsShown(ControlId::Frame_installationAbbruchAlteVersion));
  EXPECT_FALSE(app.IsShown(ControlId::Frame_installationGefundeneInstanzen));
  EXPECT_FALSE(app.IsShown(ControlId::Frame_installationWarten));

  // What the user sees: exactly the introduction page's controls.
  for (const platform::ControlSpec& control : FormMainLayout().controls) {
    SCOPED_TRACE(control.name);
    EXPECT_EQ(app.IsShown(control.id), IsOnIntroductionPage(control.id));
  }
}

TEST_F(WindowTest, ShowsTheDesignedTextsAtTheDesignedPlaces) {
  QuillsetApp& app = Start();
  EXPECT_EQ(TextOf(app.window()), "MSDE - Installationstool");
  for (const platform::FrameSpec& frame : FormMainLayout().frames) {
    SCOPED_TRACE(frame.name);
    EXPECT_EQ(app.Text(frame.id), "") << "start-up removes the page captions";
  }
  for (const platform::ControlSpec& control : FormMainLayout().controls) {
    SCOPED_TRACE(control.name);
    EXPECT_EQ(app.Text(control.id), control.text);
    if (control.hidden)
      continue;  // a buffer without a place on screen
    // Positions are relative to the page, which sits at its frame's place in the client area.
    const RECT page = RectInClientOf(app.Control(control.page), app.window());
    const RECT rect = RectInClientOf(app.Control(control.id), app.window());
    EXPECT_NEAR(rect.left - page.left, TwipsToPixelsX(control.left), 1);
    EXPECT_NEAR(rect.top - page.top, TwipsToPixelsY(control.top), 1);
    EXPECT_NEAR(rect.right - rect.left, TwipsToPixelsX(control.width), 1);
    EXPECT_NEAR(rect.bottom - rect.top, TwipsToPixelsY(control.height), 1);
  }
}

TEST_F(WindowTest, AbbrechenEndsTheProgram) {
  QuillsetApp& app = Start();
  app.Click(ControlId::Cmd_Abbrechen);
  EXPECT_EQ(app.program().WaitForExit(), 0u);
}

TEST_F(WindowTest, ItsAccessKeyEndsTheProgramToo) {
  QuillsetApp& app = Start();
  PressAltKey(app.Control(ControlId::Cmd_Abbrechen), L'b');
  EXPECT_EQ(app.program().WaitForExit(), 0u);
}

TEST_F(WindowTest, ClosingTheWindowEndsTheProgram) {
  QuillsetApp& app = Start();
  PostClose(app.window());
  EXPECT_EQ(app.program().WaitForExit(), 0u);
}

TEST_F(WindowTest, TheCloseCommandEndsTheProgram) {
  QuillsetApp& app = Start();
  PostSystemClose(app.window());  // the title bar's close button, Alt+F4
  EXPECT_EQ(app.program().WaitForExit(), 0u);
}

TEST_F(WindowTest, EscapeDoesNotEndTheProgram) {
  QuillsetApp& app = Start();
  const HWND focus = WaitFor("a control with the focus", kDefaultWait,
                             [&] { return FocusedWindowOf(app.window()); });
  PressKey(focus, VK_ESCAPE);
  SendKeyInput(app.window(), VK_ESCAPE);
  EXPECT_TRUE(app.program().StillRunningAfter(Millis(1000)));
  EXPECT_TRUE(IsShown(app.window()));
  EXPECT_TRUE(app.IsShown(ControlId::Frame_installationOK));
  EXPECT_TRUE(NoDialogOpen(app.id()));
}

}  // namespace
}  // namespace quillset::e2e
