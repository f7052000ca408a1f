// A hostile environment for the real quillset.exe: net that cannot be started, TEMP and
// ProgramFiles not defined.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hostile_machine.h"

namespace quillset::e2e {
namespace {

using platform::ControlId;

using HostileEnvironment = HostileMachine;

// Windows looks for a program named without a folder in the program's own folder, the current
// folder, the system folders and the Windows folder before PATH, so no PATH can hide net, which
// lies in the system folder. What is searched first can shadow it, though: a folder named net.exe
// beside the program makes the start fail just as for a missing program (Wine: error 2, "file not
// found"). PATH leaves the system folders out as well.
TEST_F(HostileEnvironment, WithoutNetTheServerServiceCountsAsStoppedAndTheProgramEnds) {
  folders_.scratch().MakeFolder("MSDE\\net.exe");
  RememberRegistry();
  EnvironmentBlock environment = Environment();
  environment.Set(L"PATH", StandinFolder());
  QuillsetApp app(folders_.app_folder() / "quillset.exe", folders_.app_folder(), environment);
  // The Server service runs; only a net that cannot start can miss it.
  ASSERT_TRUE(server_.IsRunning());

  const MessageBoxView message = PressWeiterUntilMessage(app);
  EXPECT_EQ(message.title, "Achtung - Installation nicht möglich!");
  EXPECT_EQ(message.text, kServerServiceMissing);
  PressDialogButton(message.window, IDOK);
  EXPECT_EQ(app.program().WaitForExit(), 0u);
  EXPECT_EQ(RegistryChanges(), std::vector<std::string>{});
}

// Wine gives every new process a ProgramFiles made from ProgramW6432 (a 64-bit program) or
// ProgramFiles(x86) (a 32-bit one); without all three the program finds no ProgramFiles.
TEST_F(HostileEnvironment, WithoutTempAndProgramFilesThePathsStartAtTheRoot) {
  RememberRegistry();
  EnvironmentBlock environment = Environment();
  for (const wchar_t* name :
       {L"TEMP", L"TMP", L"ProgramFiles", L"ProgramW6432", L"ProgramFiles(x86)"}) {
    environment.Remove(name);
  }
  QuillsetApp app(folders_.app_folder() / "quillset.exe", folders_.app_folder(), environment);

  const MessageBoxView message = PressWeiterUntilMessage(app);
  ExpectSetupNotStartedAndNothingChanged(
      app, message, ExpectedSetupCommand(folders_.app_folder().string(), "", "", "GLOBANA", 1));
}

}  // namespace
}  // namespace quillset::e2e
