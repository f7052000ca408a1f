#include "driver/flow_steps.h"

#include "driver/paths.h"

namespace quillset::e2e {

using platform::ControlId;

namespace {

constexpr ControlId kPages[] = {
    ControlId::Frame_installationOK,
    ControlId::Frame_installationAbbruchAlteVersion,
    ControlId::Frame_installationGefundeneInstanzen,
    ControlId::Frame_installationWarten,
};

}  // namespace

std::filesystem::path DemoFolder() {
  return WindowsPathOf(QUILLSET_E2E_DEMO_DIR);
}

BoxContent AnswerMessageBox(const QuillsetApp& app, const BoxContent& expected, Millis limit,
                            const std::string& screenshot) {
  const MessageBoxView box = app.WaitForMessageBox(limit);
  const BoxContent seen{box.title, box.text, IconOf(box.window)};
  EXPECT_EQ(seen.title, expected.title);
  EXPECT_EQ(seen.text, expected.text) << "shown: " << OneLine(seen.text);
  EXPECT_EQ(ToString(seen.icon), ToString(expected.icon)) << OneLine(seen.text);
  EXPECT_EQ(box.buttons, std::vector<std::string>{"OK"});
  if (!screenshot.empty())
    app.Screenshot(screenshot);
  PressDialogButton(box.window, IDOK);
  return seen;
}

std::vector<ControlId> ShownPages(const QuillsetApp& app) {
  std::vector<ControlId> shown;
  for (ControlId page : kPages) {
    if (app.IsShown(page))
      shown.push_back(page);
  }
  return shown;
}

std::string PageName(ControlId page) {
  switch (page) {
    case ControlId::Frame_installationOK:
      return "introduction page";
    case ControlId::Frame_installationAbbruchAlteVersion:
      return "old-version page";
    case ControlId::Frame_installationGefundeneInstanzen:
      return "found-databases page";
    case ControlId::Frame_installationWarten:
      return "wait page";
    default:
      return "control " + std::to_string(static_cast<int>(page));
  }
}

std::string PageNames(const std::vector<ControlId>& pages) {
  std::string names;
  for (ControlId page : pages)
    names += (names.empty() ? "" : " + ") + PageName(page);
  return names.empty() ? "no page" : names;
}

void WaitForPage(const QuillsetApp& app, ControlId page, Millis limit) {
  const std::vector<ControlId> pages = {page};
  try {
    WaitFor(PageNames(pages), limit, [&] { return ShownPages(app) == pages; });
  } catch (const DriverError& error) {
    throw DriverError(std::string(error.what()) + "; shown: " + PageNames(ShownPages(app)));
  }
}

void ExpectIdleOn(const QuillsetApp& app, ControlId page) {
  EXPECT_TRUE(app.program().StillRunningAfter(Millis(1000)));
  EXPECT_TRUE(NoDialogOpen(app.id()));
  EXPECT_TRUE(IsEnabled(app.window()));
  EXPECT_EQ(PageNames(ShownPages(app)), PageName(page));
}

std::string ExpectedSetupCommand(const std::string& app_folder, const std::string& temp_folder,
                                 const std::string& program_files, const std::string& instance,
                                 int package_number) {
  const std::string program = app_folder + "\\setup.exe";
  const std::string package = (package_number < 10 ? "\\setup\\SqlRun0" : "\\setup\\SqlRun") +
                              std::to_string(package_number) + ".msi";
  return (app_folder.find(' ') == std::string::npos ? program : "\"" + program + "\"") + " /lv \"" +
         temp_folder + "\\quillset.log\" /settings \"" + app_folder +
         "\\setup.ini\" INSTANCENAME=" + instance + " TARGETDIR=\"" + program_files + "\\\" /i \"" +
         app_folder + package + "\" /wait";
}

std::string OneLine(const std::string& text) {
  std::string line;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      line += "⏎";
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
        ++i;
    } else {
      line += text[i];
    }
  }
  return line;
}

}  // namespace quillset::e2e
