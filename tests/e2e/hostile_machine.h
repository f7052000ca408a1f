// The arrangement every hostile-machine test shares: the SQL Server registry trees cleared and put
// back afterwards, the Server service running, an MSDE folder of the test's own (without setup.exe
// unless the test asks for it), osql answers, and what the program may leave changed in the
// registry.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "driver/expected_texts.h"
#include "driver/flow_steps.h"
#include "driver/osql_answers.h"
#include "driver/paths.h"
#include "driver/program_state.h"
#include "driver/quillset_app.h"
#include "driver/registry_contents.h"
#include "driver/test_name.h"
#include "driver/wine_machine.h"

namespace quillset::e2e {

// Every console command of a press, on a loaded machine.
inline constexpr Millis kPressWait{60000};

class HostileMachine : public ::testing::Test {
 protected:
  explicit HostileMachine(const MsdeFolderContents& contents = {.setup_exe = false})
      : snapshot_(SqlServerRegistryTrees()),
        folders_(CurrentTestName(), contents),
        server_(StandinService::kServerName, StandinService::kServerDisplayName) {
    ClearSqlServerRegistry();
    RemoveService("MSSQL$GLOBANA");
    server_.Start();
  }
  ~HostileMachine() override {
    // An installation's service runs from the scratch folder: it must end before the folder goes.
    try {
      RemoveService("MSSQL$GLOBANA");
    } catch (const DriverError&) {
    }
  }

  // Remembers the registry once the machine is arranged, to compare with after the run.
  void RememberRegistry() { before_ = ReadRegistryContents(SqlServerRegistryTrees()); }
  std::vector<std::string> RegistryChanges() const {
    return RegistryDifferences(before_, ReadRegistryContents(SqlServerRegistryTrees()));
  }

  // The folders' environment with the osql answers.
  EnvironmentBlock Environment() const {
    EnvironmentBlock environment = folders_.Environment();
    answers_.WriteTo(folders_.scratch() / "osql-answers.txt", environment);
    return environment;
  }
  QuillsetApp Start() const {
    return QuillsetApp(folders_.app_folder() / "quillset.exe", folders_.app_folder(),
                       Environment());
  }

  // The call that message 4 names: the program in the MSDE folder, the scratch folder's TEMP and
  // ProgramFiles, GLOBANA and the first package.
  std::string SetupCall() const {
    return ExpectedSetupCommand(folders_.app_folder().string(), folders_.temp_folder().string(),
                                folders_.program_files().string(), "GLOBANA", 1);
  }

  // Waits for `probe`; when it does not come, the error says what the program shows and which
  // programs it still waits for.
  template <typename Probe>
  static auto WaitForProgram(const QuillsetApp& app, const std::string& what, Millis limit,
                             Probe probe) -> decltype(probe()) {
    try {
      return WaitFor(what, limit, probe);
    } catch (const DriverError& error) {
      throw DriverError(std::string(error.what()) + " (" + DescribeProgramState(app) + ")");
    }
  }

  // "&Weiter", then the first box the program shows.
  static MessageBoxView PressWeiterUntilMessage(QuillsetApp& app, Millis limit = kPressWait) {
    app.Click(platform::ControlId::Cmd_Installieren);
    WaitForProgram(app, "a message box", limit, [&] { return !NoDialogOpen(app.id()); });
    return app.WaitForMessageBox();
  }
  static void WaitForIntroductionPage(QuillsetApp& app) {
    WaitForProgram(app, "the introduction page, enabled, without a box", kDefaultWait, [&] {
      return app.IsShown(platform::ControlId::Frame_installationOK) &&
             !app.IsShown(platform::ControlId::Frame_installationWarten) &&
             !app.IsShown(platform::ControlId::Frame_installationAbbruchAlteVersion) &&
             !app.IsShown(platform::ControlId::Frame_installationGefundeneInstanzen) &&
             IsEnabled(app.window()) && NoDialogOpen(app.id());
    });
  }
  // How a hostile run without setup.exe ends: message 4 naming `call`, the introduction page
  // again, the registry as it was, the program alive until "A&bbrechen" ends it normally.
  void ExpectSetupNotStartedAndNothingChanged(QuillsetApp& app, const MessageBoxView& message,
                                              const std::string& call) const {
    EXPECT_EQ(message.text, SetupNotStartedMessage(call));
    PressDialogButton(message.window, IDOK);
    WaitForIntroductionPage(app);
    EXPECT_EQ(RegistryChanges(), std::vector<std::string>{});
    EndWith(app, platform::ControlId::Cmd_Abbrechen);
  }
  // The program is alive at its expected end; a cancel button ends it normally.
  static void EndWith(QuillsetApp& app, platform::ControlId cancel_button) {
    ASSERT_TRUE(app.program().IsRunning());
    app.Click(cancel_button);
    EXPECT_EQ(app.program().WaitForExit(), 0u);
  }

  RegistrySnapshot snapshot_;
  MsdeMachineFolders folders_;
  StandinService server_;
  OsqlAnswers answers_;
  RegistryContents before_;
};

}  // namespace quillset::e2e
