// Ten presses of "&Weiter" leave the real quillset.exe holding what it held after one: each press
// runs NET START and osql twice for the running instance KORA, net start, the registry probes, the
// folder test through Scripting.FileSystemObject, a setup.exe that cannot start, message 4, and
// ends on the introduction page again, ready for the next press.
#include <gtest/gtest.h>

#include <iostream>
#include <string>

#include "driver/handle_census.h"
#include "hostile_machine.h"

namespace quillset::e2e {
namespace {

using platform::ControlId;

class NoLeaks : public HostileMachine {
 protected:
  NoLeaks() : instance_("MSSQL$KORA", "MSSQL$KORA") {
    ApplyRegText(
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Microsoft SQL Server]\r\n"
        "\"InstalledInstances\"=hex(7):4b,00,4f,00,52,00,41,00,00,00,00,00\r\n");
    instance_.Start();
    answers_.Server(ComputerName() + "\\KORA", "Desktop Engine", "8.00.194");
  }

  void PressWeiterOnce(QuillsetApp& app) {
    const MessageBoxView message = PressWeiterUntilMessage(app);
    ASSERT_EQ(message.text, SetupNotStartedMessage(SetupCall()));
    PressDialogButton(message.window, IDOK);
    WaitForIntroductionPage(app);
  }

  static void Print(const char* when, const ResourceCounts& counts) {
    std::cout << "[ measured ] after " << when << ": " << counts.kernel_handles
              << " kernel handles (system handle table), " << counts.kernel_handles_by_duplication
              << " (by duplication), "
              << (counts.gdi_objects ? std::to_string(*counts.gdi_objects) : "unknown")
              << " GDI objects, " << counts.windows << " windows\n";
  }

  StandinService instance_;
};

TEST_F(NoLeaks, TenPressesOfWeiterHoldNoMoreThanOne) {
  QuillsetApp app = Start();
  PressWeiterOnce(app);
  const ResourceCounts after_one = CountResources(app.program().handle(), app.id());
  Print("1 press", after_one);
  for (int press = 2; press <= 10; ++press) {
    PressWeiterOnce(app);
    if (HasFatalFailure())
      return;
  }
  const ResourceCounts after_ten = CountResources(app.program().handle(), app.id());
  Print("10 presses", after_ten);

  // Both ways of counting see the same handles, and the counts are real.
  EXPECT_EQ(after_one.kernel_handles, after_one.kernel_handles_by_duplication);
  EXPECT_GT(after_one.kernel_handles, 10u);
  ASSERT_TRUE(after_one.gdi_objects.has_value());
  EXPECT_GT(*after_one.gdi_objects, 10u);
  EXPECT_GT(after_one.windows, 20u);

  EXPECT_EQ(after_ten.kernel_handles, after_one.kernel_handles);
  EXPECT_EQ(after_ten.kernel_handles_by_duplication, after_one.kernel_handles_by_duplication);
  EXPECT_EQ(after_ten.gdi_objects, after_one.gdi_objects);
  EXPECT_EQ(after_ten.windows, after_one.windows);
  EndWith(app, ControlId::Cmd_Abbrechen);
}

}  // namespace
}  // namespace quillset::e2e
