// osql at its worst, under the real quillset.exe: ten megabytes of output, no output at all, an
// answer that takes long, a login error at once, no osql at all, and the user closing the window
// while osql hangs. The running named instance KORA is the one osql is asked about.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <iostream>
#include <string>
#include <vector>

#include "hostile_machine.h"

namespace quillset::e2e {
namespace {

using platform::ControlId;
using Clock = std::chrono::steady_clock;

class HostileOsql : public HostileMachine {
 protected:
  HostileOsql() : instance_("MSSQL$KORA", "MSSQL$KORA") {
    ApplyRegText(
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Microsoft SQL Server]\r\n"
        "\"InstalledInstances\"=hex(7):4b,00,4f,00,52,00,41,00,00,00,00,00\r\n");
    instance_.Start();
  }

  std::string Kora() const { return ComputerName() + "\\KORA"; }

  // Polls until `done` holds, asking the window all the while to answer a message, and returns
  // the longest time an answer took. A window that leaves a message unanswered for kFrozen counts
  // as frozen; on this shared, loaded machine the longest answers measured were about 0.6 s (while
  // the program cleans a 10 MB answer).
  static constexpr Millis kFrozen{5000};
  template <typename Done>
  static Millis LongestAnswerUntil(QuillsetApp& app, Millis limit, Done done) {
    Millis longest{0};
    WaitForProgram(app, "the program's next step", limit, [&] {
      const auto asked = Clock::now();
      DWORD_PTR result = 0;
      if (!SendMessageTimeoutW(app.window(), WM_NULL, 0, 0, SMTO_NORMAL,
                               static_cast<UINT>(kFrozen.count()), &result)) {
        longest = std::max(longest, kFrozen);
      }
      longest = std::max(longest, std::chrono::duration_cast<Millis>(Clock::now() - asked));
      return done();
    });
    std::cout << "[ measured ] the window answered every message within " << longest.count()
              << " ms\n";
    return longest;
  }
  static bool OldVersionPageShown(QuillsetApp& app) {
    return app.IsShown(ControlId::Frame_installationAbbruchAlteVersion);
  }
  // Waits for the old-version page; a box the program shows instead fails the test with its text.
  static void WaitForOldVersionPage(QuillsetApp& app) {
    WaitForProgram(app, "the old-version page or a box", kPressWait,
                   [&] { return OldVersionPageShown(app) || !NoDialogOpen(app.id()); });
    if (!NoDialogOpen(app.id())) {
      const MessageBoxView box = app.WaitForMessageBox();
      FAIL() << "instead of the old-version page, a box \"" << box.title << "\": " << box.text;
    }
  }

  StandinService instance_;
};

TEST_F(HostileOsql, TenMegabytesOfOutputMakeAnUnreadableVersionAndTheOldVersionPage) {
  answers_.Server(Kora(), "Desktop Engine", "8.00.194").Add(Kora(), "flood_bytes", "10000000");
  RememberRegistry();
  QuillsetApp app = Start();
  const auto pressed = Clock::now();
  app.Click(ControlId::Cmd_Installieren);
  // The answers begin with the filler lines' dots: no version number, so an old version.
  EXPECT_LT(LongestAnswerUntil(app, kPressWait, [&] { return OldVersionPageShown(app); }), kFrozen);
  std::cout << "[ measured ] two osql runs of 10 MB each took "
            << std::chrono::duration_cast<Millis>(Clock::now() - pressed).count() << " ms\n";
  EXPECT_TRUE(NoDialogOpen(app.id()));
  EXPECT_EQ(RegistryChanges(), std::vector<std::string>{});
  EndWith(app, ControlId::Cmd_Abbruch);
}

TEST_F(HostileOsql, AnOsqlThatPrintsNothingLeavesTheServerUnjudgedAndTheInstallationStarts) {
  answers_.Server(Kora(), "Enterprise Edition", "7.00.623").Add(Kora(), "silent", "1");
  RememberRegistry();
  QuillsetApp app = Start();
  const MessageBoxView message = PressWeiterUntilMessage(app);
  ExpectSetupNotStartedAndNothingChanged(app, message, SetupCall());
}

TEST_F(HostileOsql, ASlowOsqlKeepsTheWindowAnsweringAndIsWaitedFor) {
  constexpr int kDelayMs = 8000;
  answers_.Server(Kora(), "Desktop Engine", "8.00.194")
      .Add(Kora(), "delay_ms", std::to_string(kDelayMs));
  RememberRegistry();
  QuillsetApp app = Start();
  const auto pressed = Clock::now();
  app.Click(ControlId::Cmd_Installieren);

  // While osql works, the window answers, and a press of another button starts nothing: the
  // running flow ignores it.
  Sleep(1000);
  app.Click(ControlId::Cmd_Info);
  const Millis longest_answer =
      LongestAnswerUntil(app, kPressWait, [&] { return !NoDialogOpen(app.id()); });
  const auto waited = Clock::now() - pressed;
  EXPECT_LT(longest_answer, kFrozen);
  const MessageBoxView message = app.WaitForMessageBox();
  // Edition and version: two runs of osql, each as slow as it is.
  EXPECT_GE(waited, Millis(2 * kDelayMs - 500));
  ExpectSetupNotStartedAndNothingChanged(app, message, SetupCall());
}

TEST_F(HostileOsql, AnOsqlThatFailsAtOnceGivesItsErrorAsTheVersionAndTheOldVersionPage) {
  answers_.Server(Kora(), "Desktop Engine", "8.00.194")
      .Add(Kora(), "error", "Login failed for user 'QUILLSET\\gast'.");
  RememberRegistry();
  QuillsetApp app = Start();
  app.Click(ControlId::Cmd_Installieren);
  WaitForOldVersionPage(app);
  if (HasFatalFailure())
    return;
  EXPECT_TRUE(NoDialogOpen(app.id()));
  EXPECT_EQ(RegistryChanges(), std::vector<std::string>{});
  EndWith(app, ControlId::Cmd_Abbruch);
}

// Without osql the probes parse the listing of net start that is still in the box: no version
// number, so the old-version page.
TEST_F(HostileOsql, WithoutOsqlTheOldListingIsJudgedAndTheOldVersionPageShows) {
  RememberRegistry();
  EnvironmentBlock environment = Environment();
  environment.Set(L"PATH", L"C:\\windows\\system32;C:\\windows");
  QuillsetApp app(folders_.app_folder() / "quillset.exe", folders_.app_folder(), environment);
  app.Click(ControlId::Cmd_Installieren);
  WaitForOldVersionPage(app);
  if (HasFatalFailure())
    return;
  EXPECT_EQ(RegistryChanges(), std::vector<std::string>{});
  EndWith(app, ControlId::Cmd_Abbruch);
}

TEST_F(HostileOsql, ClosingTheWindowWhileOsqlHangsEndsTheProgramAtOnce) {
  answers_.Server(Kora(), "Desktop Engine", "8.00.194").Add(Kora(), "delay_ms", "60000");
  RememberRegistry();
  QuillsetApp app = Start();
  app.Click(ControlId::Cmd_Installieren);
  Sleep(3000);  // net start has run, osql waits
  ASSERT_TRUE(app.program().IsRunning());
  const auto closed = Clock::now();
  PostSystemClose(app.window());
  EXPECT_EQ(app.program().WaitForExit(Millis(20000)), 0u);
  std::cout << "[ measured ] the program ended "
            << std::chrono::duration_cast<Millis>(Clock::now() - closed).count()
            << " ms after the window was closed\n";
  EXPECT_EQ(RegistryChanges(), std::vector<std::string>{});
}

}  // namespace
}  // namespace quillset::e2e
