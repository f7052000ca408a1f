// The driver and the machine helpers against a small window of their own and the real Wine
// machine: when a quillset test fails, these tell whether the driver or the program is at fault.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "driver/paths.h"
#include "driver/process.h"
#include "driver/screenshot.h"
#include "driver/ui.h"
#include "driver/wine_machine.h"

namespace quillset::e2e {
namespace {

constexpr char kTargetCaption[] = "Fenster für den Treiber";
constexpr int kBoxButton = 101;
constexpr int kInputButton = 102;
constexpr int kAnswerLabel = 103;
constexpr int kList = 104;
constexpr int kCountButton = 105;
constexpr int kCountLabel = 106;

class DriverTest : public ::testing::Test {
 protected:
  DriverTest()
      : target_(RunningProgram::Start(WindowsPathOf(QUILLSET_E2E_DRIVER_TARGET_EXE), L"",
                                      ScratchRoot().substr(0, 3), EnvironmentBlock::Current())),
        window_(WaitForTopLevelWindow(target_.id(), kTargetCaption)) {}

  HWND Control(int id) { return WaitForControl(window_, {.id = id}); }

  RunningProgram target_;
  HWND window_;
};

TEST_F(DriverTest, ReadsControlsOfAnotherProcess) {
  const HWND box_button = Control(kBoxButton);
  EXPECT_EQ(ClassOf(box_button), "Button");
  EXPECT_EQ(TextOf(box_button), "&Box");
  EXPECT_EQ(TextOf(Control(kCountButton)), "&Zählen");
  EXPECT_TRUE(IsShown(box_button));
  EXPECT_TRUE(IsEnabled(box_button));
  const RECT rect = RectInClientOf(box_button, window_);
  EXPECT_EQ(rect.left, 10);
  EXPECT_EQ(rect.top, 10);
  EXPECT_EQ(rect.right - rect.left, 100);
  EXPECT_EQ(rect.bottom - rect.top, 26);
  EXPECT_EQ(FindControl(window_, {.class_name = "button", .text = "&Eingabe"}),
            Control(kInputButton));
  EXPECT_EQ(FindControl(window_, {.text = "gibt es nicht"}), nullptr);
}

TEST_F(DriverTest, ReadsListBoxItemsWithTheirTabs) {
  EXPECT_EQ(
      ListBoxItems(Control(kList)),
      (std::vector<std::string>{"RECHNER\\GLOBANA\tDesktop Engine\t8.00.760\t", "RECHNER\t\t\t"}));
}

TEST_F(DriverTest, ReadsAMessageBoxAndPressesOk) {
  ClickButton(Control(kBoxButton));
  const MessageBoxView box = WaitForMessageBox(target_.id());
  EXPECT_EQ(box.title, "Titel für die Box");
  // Wine's message box keeps line feeds and tabs in its text static as they were given.
  EXPECT_EQ(box.text, "Zeile 1\n\tEingerückt\n\nÄÖÜ ß\n");
  EXPECT_EQ(box.buttons, std::vector<std::string>{"OK"});
  PressDialogButton(box.window, IDOK);
  EXPECT_TRUE(NoDialogOpen(target_.id()));
  EXPECT_TRUE(target_.IsRunning());
}

TEST_F(DriverTest, AccessKeyPressesItsButton) {
  PressAltKey(Control(kCountButton), L'z');
  WaitFor("the count to reach 1", kDefaultWait,
          [&] { return TextOf(Control(kCountLabel)) == "1"; });
  PressAltKey(Control(kCountButton), L'b');
  const MessageBoxView box = WaitForMessageBox(target_.id());
  PressDialogButton(box.window, "OK");
}

TEST_F(DriverTest, KeysGoToTheFocusedControl) {
  const HWND count_button = Control(kCountButton);
  EXPECT_EQ(FocusedWindowOf(window_), Control(kBoxButton));
  PressKey(FocusedWindowOf(window_), VK_TAB);
  PressKey(FocusedWindowOf(window_), VK_TAB);
  WaitFor("the focus on the count button", kDefaultWait,
          [&] { return FocusedWindowOf(window_) == count_button; });
  PressKey(count_button, VK_SPACE);
  WaitFor("the count to reach 1", kDefaultWait,
          [&] { return TextOf(Control(kCountLabel)) == "1"; });
}

TEST_F(DriverTest, RealInputReachesTheForegroundWindow) {
  const HWND count_button = Control(kCountButton);
  ClickWithMouse(window_, count_button);
  WaitFor("the count to reach 1", kDefaultWait,
          [&] { return TextOf(Control(kCountLabel)) == "1"; });
  EXPECT_EQ(FocusedWindowOf(window_), count_button);
  SendKeyInput(window_, VK_SPACE);
  WaitFor("the count to reach 2", kDefaultWait,
          [&] { return TextOf(Control(kCountLabel)) == "2"; });
  EnableWindow(count_button, FALSE);
  ClickWithMouse(window_, count_button);
  // Real input is handled in order: once the Tab behind the click has moved the focus, the click
  // on the disabled button has been handled too.
  SendKeyInput(window_, VK_TAB);
  WaitFor("the focus to move on", kDefaultWait,
          [&] { return FocusedWindowOf(window_) != count_button; });
  EXPECT_EQ(TextOf(Control(kCountLabel)), "2");
}

TEST_F(DriverTest, TypesIntoTheInputBoxAndConfirms) {
  ClickButton(Control(kInputButton));
  const InputBoxView box = WaitForInputBox(target_.id());
  EXPECT_EQ(box.title, "Eingabe");
  EXPECT_EQ(box.prompt, "Bitte einen Namen eingeben:");
  EXPECT_EQ(box.buttons, (std::vector<std::string>{"OK", "Abbrechen"}));
  TypeText(box.edit, "Müller 2");
  WaitFor("the typed text in the edit", kDefaultWait,
          [&] { return TextOf(box.edit) == "Müller 2"; });
  PressDialogButton(box.window, IDOK);
  EXPECT_EQ(TextOf(Control(kAnswerLabel)), "Müller 2");
}

TEST_F(DriverTest, CancelsTheInputBox) {
  ClickButton(Control(kInputButton));
  const InputBoxView box = WaitForInputBox(target_.id());
  SetEditText(box.edit, "TEST");
  PressDialogButton(box.window, "Abbrechen");
  EXPECT_EQ(TextOf(Control(kAnswerLabel)), "(abgebrochen)");
}

TEST_F(DriverTest, EscapeIsIgnoredAndClosingEndsTheProgram) {
  PressKey(FocusedWindowOf(window_), VK_ESCAPE);
  EXPECT_TRUE(target_.StillRunningAfter(Millis(500)));
  PostSystemClose(window_);
  EXPECT_EQ(target_.WaitForExit(), 7u);
}

TEST_F(DriverTest, SavesAScreenshotOfTheWindow) {
  const ScratchFolder folder(FolderNameFor("DriverTest.Screenshot"));
  const auto file = folder / "window.bmp";
  SaveScreenshot(window_, file.wstring());
  std::ifstream in(file, std::ios::binary);
  char header[26] = {};
  in.read(header, sizeof header);
  ASSERT_TRUE(in);
  EXPECT_EQ(std::string(header, 2), "BM");
  const RECT rect = WindowRectOf(window_);
  EXPECT_EQ(*reinterpret_cast<const std::int32_t*>(header + 18), rect.right - rect.left);
  EXPECT_EQ(*reinterpret_cast<const std::int32_t*>(header + 22), rect.bottom - rect.top);
}

TEST(WineMachineTest, RegistryFixtureIsAppliedAndTheSnapshotPutsTheKeysBack) {
  const RegistryTree key{platform::kHkeyLocalMachine, "SOFTWARE\\quillset-e2e\\Probe"};
  DeleteRegistryTree({platform::kHkeyLocalMachine, "SOFTWARE\\quillset-e2e"});
  ApplyRegText(
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\quillset-e2e\\Probe]\r\n"
      "\"Text\"=\"Grüße\"\r\n"
      "\"Number\"=dword:00000010\r\n"
      "\"List\"=hex(7):41,00,00,00,42,00,00,00,43,00,00,00,00,00\r\n"
      "\"Gone\"=\"x\"\r\n");
  {
    const RegistrySnapshot snapshot({{platform::kHkeyLocalMachine, "SOFTWARE\\quillset-e2e"}});
    ApplyRegText(
        "REGEDIT4\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\quillset-e2e\\Probe]\r\n"
        "\"Text\"=\"anders\"\r\n"
        "\"Gone\"=-\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SOFTWARE\\quillset-e2e\\Neu]\r\n");
    EXPECT_EQ(ReadRegistryValue(key, "Text")->data, std::string("anders", 7));
    EXPECT_FALSE(ReadRegistryValue(key, "Gone"));
    EXPECT_TRUE(RegistryKeyExists({platform::kHkeyLocalMachine, "SOFTWARE\\quillset-e2e\\Neu"}));
  }
  const auto text = ReadRegistryValue(key, "Text");
  ASSERT_TRUE(text);
  EXPECT_EQ(text->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(text->data, std::string("Grüße", sizeof("Grüße")));
  EXPECT_EQ(ReadRegistryValue(key, "Number")->data, std::string("\x10\0\0\0", 4));
  EXPECT_EQ(ReadRegistryValue(key, "List")->type, static_cast<DWORD>(REG_MULTI_SZ));
  EXPECT_EQ(ReadRegistryValue(key, "List")->data, std::string("A\0B\0C\0\0", 7));
  EXPECT_TRUE(ReadRegistryValue(key, "Gone"));
  EXPECT_FALSE(RegistryKeyExists({platform::kHkeyLocalMachine, "SOFTWARE\\quillset-e2e\\Neu"}));
  DeleteRegistryTree({platform::kHkeyLocalMachine, "SOFTWARE\\quillset-e2e"});
  EXPECT_FALSE(RegistryKeyExists({platform::kHkeyLocalMachine, "SOFTWARE\\quillset-e2e"}));
}

TEST(WineMachineTest, StandinServiceRunsAndNetStartListsItsDisplayName) {
  {
    StandinService server(StandinService::kServerName, StandinService::kServerDisplayName);
    server.Start();
    EXPECT_TRUE(server.IsRunning());
    const ConsoleResult listing = RunConsoleCommand(L"net start");
    EXPECT_NE(listing.output.find("\r\n    Server\r\n"), std::string::npos) << listing.output;

    StandinService instance("MSSQL$E2ETEST", "MSSQL$E2ETEST");
    const ConsoleResult started = RunConsoleCommand(L"net start MSSQL$E2ETEST");
    EXPECT_EQ(started.exit_code, 0u) << started.output;
    EXPECT_TRUE(instance.IsRunning());
    instance.Stop();
    EXPECT_EQ(ServiceState("MSSQL$E2ETEST"), static_cast<DWORD>(SERVICE_STOPPED));
  }
  EXPECT_FALSE(ServiceState("MSSQL$E2ETEST"));
  // Wine's own LanmanServer is back as it was: not running, not listed as "Server".
  EXPECT_NE(ServiceState(StandinService::kServerName), static_cast<DWORD>(SERVICE_RUNNING));
  const ConsoleResult listing = RunConsoleCommand(L"net start");
  EXPECT_EQ(listing.output.find("    Server\r\n"), std::string::npos) << listing.output;
}

TEST(WineMachineTest, ScratchFolderStartsEmptyAndIsRemoved) {
  std::filesystem::path kept;
  {
    const ScratchFolder folder(FolderNameFor("WineMachineTest/Scratch Folder"));
    kept = folder.path();
    EXPECT_EQ(kept, std::filesystem::path(L"C:\\quillset-e2e\\WineMachineTest_Scratch_Folder"));
    folder.MakeFolder("setup");
    folder.WriteFile("setup\\SqlRun01.msi", "x");
    EXPECT_TRUE(std::filesystem::exists(folder / "setup\\SqlRun01.msi"));
  }
  EXPECT_FALSE(std::filesystem::exists(kept));
}

TEST(EnvironmentBlockTest, SetsReplacesAndRemovesCaseInsensitively) {
  EnvironmentBlock environment;
  environment.Set(L"Path", L"C:\\a");
  environment.Set(L"TEMP", L"C:\\t");
  environment.Set(L"PATH", L"C:\\b");
  environment.Set(L"ProgramFiles", L"C:\\p");
  environment.Remove(L"temp");
  EXPECT_EQ(environment.Get(L"path"), L"C:\\b");
  EXPECT_FALSE(environment.Get(L"TEMP"));
  EXPECT_EQ(environment.Block(), std::wstring(L"Path=C:\\b\0ProgramFiles=C:\\p\0\0", 29));
}

}  // namespace
}  // namespace quillset::e2e
