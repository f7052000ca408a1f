// Starting programs, waiting for them, the environment and the folder test.
#include "install/process_control.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/recording_window.h"
#include "support/simulated_processes.h"
#include "support/simulated_system.h"

namespace quillset {
namespace {

using testing::ProgramScript;
using testing::RecordingWindow;
using testing::SimulatedProcesses;
using testing::SimulatedSystem;

TEST(StartProcess, MissingProgramLeavesTheHandleAsItWas) {
  SimulatedProcesses processes;
  processes.programs = [](const std::string&) { return std::nullopt; };
  platform::ProcessHandle handle = 0x1234;
  EXPECT_EQ(StartProcess(processes, "C:\\nirgends\\setup.exe /wait", handle), kProcessNotStarted);
  EXPECT_EQ(handle, 0x1234u);
  EXPECT_EQ(processes.program_command_lines(),
            std::vector<std::string>{"C:\\nirgends\\setup.exe /wait"});
}

TEST(StartProcess, StartedProgramHandsBackItsHandleAndLinePassesUnchanged) {
  SimulatedProcesses processes;
  processes.programs = [](const std::string&) { return ProgramScript{}; };
  platform::ProcessHandle handle = 0;
  const std::string line = "\"C:\\Mein Ordner\\setup.exe\"  /x \"a b\"";
  EXPECT_EQ(StartProcess(processes, line, handle), kProcessStarted);
  EXPECT_NE(handle, 0u);
  EXPECT_EQ(processes.program_command_lines(), std::vector<std::string>{line});
  processes.Close(handle);
}

TEST(IsProcessRunning, EndedProcessStaysEnded) {
  SimulatedProcesses processes;
  int ends = 0;
  processes.programs = [&](const std::string&) { return ProgramScript{2, [&] { ++ends; }}; };
  platform::ProcessHandle handle = 0;
  ASSERT_EQ(StartProcess(processes, "net start MSSQL$GLOBANA", handle), kProcessStarted);
  EXPECT_TRUE(IsProcessRunning(processes, handle));
  EXPECT_TRUE(IsProcessRunning(processes, handle));
  EXPECT_FALSE(IsProcessRunning(processes, handle));
  EXPECT_FALSE(IsProcessRunning(processes, handle));
  EXPECT_EQ(ends, 1);
  processes.Close(handle);
}

TEST(WaitForProgramEnd, WindowDisabledAndPaintedWhileTheProgramRunsWithoutBusyPolling) {
  SimulatedProcesses processes;
  RecordingWindow window;
  bool enabled_at_end = true;
  int do_events_at_end = -1;
  // A setup that would answer "running" to a million polls before it ends.
  processes.programs = [&](const std::string&) {
    return ProgramScript{1000000, [&] {
                           enabled_at_end = window.enabled();
                           do_events_at_end = window.do_events_calls();
                         }};
  };
  platform::ProcessHandle handle = 0;
  ASSERT_EQ(StartProcess(processes, "setup.exe", handle), kProcessStarted);
  WaitForProgramEnd(processes, window, handle);

  EXPECT_FALSE(enabled_at_end);
  EXPECT_GE(do_events_at_end, 1);
  EXPECT_FALSE(IsProcessRunning(processes, handle));
  EXPECT_GE(processes.wait_calls(), 1);
  EXPECT_LE(processes.is_running_calls(), 5);
  EXPECT_FALSE(window.enabled());  // enabling again is the caller's step
  processes.Close(handle);
}

TEST(WaitForProgramEnd, ProgramAlreadyEndedLeavesTheWindowAlone) {
  SimulatedProcesses processes;
  RecordingWindow window;
  processes.programs = [](const std::string&) { return ProgramScript{0, nullptr}; };
  platform::ProcessHandle handle = 0;
  ASSERT_EQ(StartProcess(processes, "net start X", handle), kProcessStarted);
  WaitForProgramEnd(processes, window, handle);
  EXPECT_TRUE(window.enabled());
  EXPECT_EQ(window.do_events_calls(), 0);
  EXPECT_EQ(processes.wait_calls(), 0);
  processes.Close(handle);
}

TEST(GetEnvironmentValue, Table) {
  struct Row {
    const char* label;
    std::vector<std::string> environment;
    std::string name;
    std::string expected;
  };
  std::vector<std::string> long_environment;
  for (int i = 1; i <= 254; ++i)
    long_environment.push_back("V" + std::to_string(i) + "=x");
  std::vector<std::string> entry_255 = long_environment;
  entry_255.push_back("TEMP=C:\\T255");
  std::vector<std::string> entry_256 = entry_255;
  entry_256.back() = "X=y";
  entry_256.push_back("TEMP=C:\\T256");

  const std::vector<Row> rows = {
      {"longer name first", {"TEMPDIR=x", "TEMP=C:\\TEMP"}, "TEMP", "C:\\TEMP"},
      {"other letter case", {"Temp=C:\\TEMP"}, "TEMP", ""},
      {"value holding =", {"TEMP=a=b"}, "TEMP", "a=b"},
      {"defined but empty", {"TEMP="}, "TEMP", ""},
      {"undefined", {"PATH=C:\\WINDOWS"}, "TEMP", ""},
      {"empty environment", {}, "ProgramFiles", ""},
      {"name with a blank",
       {"Program Files=x", "ProgramFiles=C:\\Programme"},
       "ProgramFiles",
       "C:\\Programme"},
      {"prefix of the name only", {"TEM=x"}, "TEMP", ""},
      {"entry 255 is still read", entry_255, "TEMP", "C:\\T255"},
      {"entry 256 is not", entry_256, "TEMP", ""},
      {"a later duplicate wins", {"TEMP=first", "TEMP=second"}, "TEMP", "second"},
  };
  for (const Row& row : rows) {
    SimulatedSystem system;
    system.environment = row.environment;
    EXPECT_EQ(GetEnvironmentValue(system, row.name), row.expected) << row.label;
  }
}

TEST(FolderExists, AsksThePlatformAndChangesNothing) {
  SimulatedSystem system;
  const std::string folder = "C:\\Programme\\MSSQL$GLOBANA";
  EXPECT_FALSE(FolderExists(system, folder));
  system.folders.insert(folder);
  EXPECT_TRUE(FolderExists(system, folder));
  EXPECT_TRUE(FolderExists(system, "c:\\programme\\mssql$globana"));
  EXPECT_EQ(system.folders.size(), 1u);
}

TEST(FolderExists, ComponentFailurePropagatesWithItsNumber) {
  SimulatedSystem system;
  system.folder_test_failure = platform::kFailureCannotCreateComponent;
  try {
    FolderExists(system, "C:\\Programme\\MSSQL$GLOBANA");
    FAIL() << "no failure raised";
  } catch (const platform::PlatformFailure& failure) {
    EXPECT_EQ(failure.number(), 429);
  }
}

}  // namespace
}  // namespace quillset
