// Steps of a "&Weiter" run as the tests take them, each checking what the user sees: the page in
// view, the window's state, and every message box exactly (title, text, icon, its one button).
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "driver/flow_machine.h"
#include "driver/quillset_app.h"
#include "platform/window_layout.h"

namespace quillset::e2e {

// Long enough for a loaded machine: "&Weiter" runs net a few times, osql per running instance,
// and the setup works for a while.
inline constexpr Millis kFlowWait{60000};

// The build's demo MSDE folder (<build>/demo), as a Windows path.
std::filesystem::path DemoFolder();

// A message box as the user sees it.
struct BoxContent {
  std::string title;
  std::string text;
  BoxIcon icon;
};

// Waits for the program's message box, checks it against `expected`, saves a screenshot under
// `screenshot` (when the run takes screenshots and the name is not empty), presses OK and returns
// what the box showed.
BoxContent AnswerMessageBox(const QuillsetApp& app, const BoxContent& expected,
                            Millis limit = kFlowWait, const std::string& screenshot = "");

// The pages shown on screen, in the order introduction, old version, found databases, wait. The
// window shows the page on top only (a page shown over the introduction page hides it from view);
// two pages are seen only halfway through a change of page.
std::vector<platform::ControlId> ShownPages(const QuillsetApp& app);
std::string PageName(platform::ControlId page);
std::string PageNames(const std::vector<platform::ControlId>& pages);
// Waits until this page, and no other, is shown.
void WaitForPage(const QuillsetApp& app, platform::ControlId page, Millis limit = kFlowWait);

// The program is still running after a moment, no box is open, the window is enabled and shows
// this page: what a run that ended without ending the program leaves.
void ExpectIdleOn(const QuillsetApp& app, platform::ControlId page);

// The setup command line the assistant builds for an MSDE folder, TEMP, ProgramFiles, instance
// and package number; the program path quoted when the MSDE folder's path holds a blank.
std::string ExpectedSetupCommand(const std::string& app_folder, const std::string& temp_folder,
                                 const std::string& program_files, const std::string& instance,
                                 int package_number);

// A message's text on one line: carriage returns and line feeds shown as "⏎".
std::string OneLine(const std::string& text);

}  // namespace quillset::e2e
