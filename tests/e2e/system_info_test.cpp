// "System-Info" on a machine set up in Wine's real registry: the report read back from the message
// box, exactly, and a second press after the registry changed.
#include <gtest/gtest.h>

#include <initializer_list>

#include "driver/quillset_app.h"
#include "driver/test_name.h"

namespace quillset::e2e {
namespace {

using platform::ControlId;

constexpr char kReportTitle[] = "Microsoft SQL-Server Installations-Informationen";

// The report's lines, each closed by a line feed.
std::string Lines(std::initializer_list<const char*> lines) {
  std::string text;
  for (const char* line : lines)
    text += std::string(line) + "\n";
  return text;
}

class SystemInfoTest : public ::testing::Test {
 protected:
  SystemInfoTest() : snapshot_(SqlServerRegistryTrees()), folders_(CurrentTestName()) {
    ClearSqlServerRegistry();
  }

  // Presses "System-Info", reads the box, answers OK and returns what it showed.
  MessageBoxView PressSystemInfo(QuillsetApp& app, const std::string& screenshot) {
    app.Click(ControlId::Cmd_Info);
    MessageBoxView box = app.WaitForMessageBox();
    if (!screenshot.empty())
      app.Screenshot(screenshot);
    PressDialogButton(box.window, IDOK);
    return box;
  }

  RegistrySnapshot snapshot_;
  MsdeMachineFolders folders_;
};

TEST_F(SystemInfoTest, ReportsTheInstancesAndPackagesOfTheRegistry) {
  ApplyRegFixture("machine_two_instances.reg");
  QuillsetApp app(folders_);
  // Start-up shows nothing of what it found: the introduction page only.
  EXPECT_TRUE(app.IsShown(ControlId::Frame_installationOK));
  EXPECT_FALSE(app.IsShown(ControlId::Frame_installationGefundeneInstanzen));
  EXPECT_TRUE(NoDialogOpen(app.id()));

  const MessageBoxView first = PressSystemInfo(app, "system-info");
  EXPECT_EQ(first.title, kReportTitle);
  EXPECT_EQ(first.buttons, std::vector<std::string>{"OK"});
  EXPECT_EQ(first.text,
            Lines({"Auf diesem Rechner wurden gefunden: ", "", "Anzahl der MSSQL-Datenbanken: ",
                   "\t\t 2", "", "Namen der MSSQL-Datenbanken: ", "\t\tMSSQLSERVER", "\t\tGLOBANA",
                   "", "", "Auf diesem Rechner installierte MSDE-Pakete: ", "\t\t 1", "\t\t 2"}));
  // The report changes no page.
  EXPECT_TRUE(app.IsShown(ControlId::Frame_installationOK));
  EXPECT_FALSE(app.IsShown(ControlId::Frame_installationGefundeneInstanzen));
  EXPECT_FALSE(app.IsShown(ControlId::Frame_installationAbbruchAlteVersion));
  EXPECT_FALSE(app.IsShown(ControlId::Frame_installationWarten));

  // Each press reads the registry afresh.
  ApplyRegFixture("e2e_third_instance_package12.reg");
  const MessageBoxView second = PressSystemInfo(app, "");
  EXPECT_EQ(
      second.text,
      Lines({"Auf diesem Rechner wurden gefunden: ", "", "Anzahl der MSSQL-Datenbanken: ", "\t\t 3",
             "", "Namen der MSSQL-Datenbanken: ", "\t\tMSSQLSERVER", "\t\tGLOBANA", "\t\tKÖRA", "",
             "", "Auf diesem Rechner installierte MSDE-Pakete: ", "\t\t 1", "\t\t 2", "\t\t 12"}));
  EXPECT_TRUE(app.program().IsRunning());
}

TEST_F(SystemInfoTest, ReportsAnEmptyMachine) {
  QuillsetApp app(folders_);
  EXPECT_EQ(PressSystemInfo(app, "").text,
            Lines({"Auf diesem Rechner wurden gefunden: ", "", "Anzahl der MSSQL-Datenbanken: ",
                   "\t\t 0", "", "Namen der MSSQL-Datenbanken: ", "", "",
                   "Auf diesem Rechner installierte MSDE-Pakete: "}));
}

}  // namespace
}  // namespace quillset::e2e
