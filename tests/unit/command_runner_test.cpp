// The console runner: what lands in the box, chunk by chunk, and what stays when nothing starts.
#include "inspect/command_runner.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "support/recording_window.h"
#include "support/simulated_processes.h"

namespace quillset {
namespace {

using testing::ConsoleScript;
using testing::RecordingTextBox;
using testing::SimulatedProcesses;

// Runs one command whose program writes `writes`, into a box that starts as "Text1".
struct RunResult {
  std::string text;
  int set_text_calls = 0;
};

RunResult RunScripted(std::vector<std::string> writes) {
  SimulatedProcesses processes;
  processes.console_programs = [&](const std::string&) {
    return std::optional<ConsoleScript>(ConsoleScript{writes});
  };
  RecordingTextBox box;
  RunCommandToTextBox({processes, box}, "talk");
  EXPECT_EQ(processes.open_console_programs(), 0);
  return {box.Text(), box.set_text_calls()};
}

TEST(RunCommandToTextBox, JoinsChunksAcrossTheReadSizeWithoutSeparators) {
  // 300 numbered lines: several lines straddle the 1023-byte chunk borders.
  std::string output;
  for (int line = 1; output.size() < 3 * kReadChunkBytes + 100; ++line) {
    output += "    service line number " + std::to_string(line) + "\r\n";
  }
  const RunResult result = RunScripted({output});
  EXPECT_EQ(result.text, output);
  EXPECT_EQ(result.set_text_calls, 1);
}

TEST(RunCommandToTextBox, AShortChunkAfterAFullOneCarriesNothingOfIt) {
  const std::string full(kReadChunkBytes, 'a');
  EXPECT_EQ(RunScripted({full, "bc"}).text, full + "bc");
  EXPECT_EQ(RunScripted({full + "x", "yz"}).text, full + "xyz");
}

TEST(RunCommandToTextBox, AZeroByteCutsTheRestOfItsChunkOnly) {
  const std::string cut_chunk("abc\0def", 7);
  EXPECT_EQ(RunScripted({cut_chunk, "ghi"}).text, "abcghi");
  EXPECT_EQ(RunScripted({std::string("\0tail", 5), "next"}).text, "next");
}

TEST(RunCommandToTextBox, StandardErrorArrivesInWriteOrder) {
  // The pipe carries both streams; the writes interleave as the program made them.
  const RunResult result = RunScripted(
      {"out one\r\n", "[DBNETLIB]SQL Server does not exist or access denied.\r\n", "out two\r\n"});
  EXPECT_EQ(result.text,
            "out one\r\n[DBNETLIB]SQL Server does not exist or access denied.\r\nout two\r\n");
}

TEST(RunCommandToTextBox, AProgramWithoutOutputLeavesTheBoxEmpty) {
  const RunResult result = RunScripted({});
  EXPECT_EQ(result.text, "");
  EXPECT_EQ(result.set_text_calls, 1);
}

TEST(RunCommandToTextBox, TenMegabytesArriveWhole) {
  std::string flood(10'000'000, '.');
  for (std::size_t i = 0; i < flood.size(); i += 997)
    flood[i] = static_cast<char>('A' + i % 26);
  const RunResult result = RunScripted({flood});
  ASSERT_EQ(result.text.size(), flood.size());
  EXPECT_TRUE(result.text == flood);
}

TEST(RunCommandToTextBox, BytesGoToTheBoxAsAnsiText) {
  // Windows-1252 bytes (octal escapes, as "e" would extend a hex escape).
  EXPECT_EQ(RunScripted({"Gr\366\337e\r\n"}).text, "Größe\r\n");
}

TEST(RunCommandToTextBox, AProgramThatCannotStartLeavesTheBoxAsItWas) {
  SimulatedProcesses processes;  // starts nothing
  RecordingTextBox box;
  RunCommandToTextBox({processes, box}, "osql -E -S PC -Q \"x\"");
  EXPECT_EQ(box.Text(), "Text1");
  EXPECT_EQ(box.set_text_calls(), 0);

  box.SetText("previous output\r\n");
  RunCommandToTextBox({processes, box}, "net start");
  EXPECT_EQ(box.Text(), "previous output\r\n");
}

TEST(RunCommandToTextBox, PassesTheCommandLineUnchanged) {
  SimulatedProcesses processes;
  RecordingTextBox box;
  const std::string command_line = "osql -E -S PC\\GLOBANA -Q \" SELECT 1\" > out.txt | more";
  RunCommandToTextBox({processes, box}, command_line);
  ASSERT_EQ(processes.console_command_lines().size(), 1u);
  EXPECT_EQ(processes.console_command_lines()[0], command_line);
}

// A program that fills every read to the brim, recording what each read asked for: the runner
// must ask for at most 1023 bytes and still hand the box a terminated chunk.
class BrimmingProcesses : public platform::ProcessPort {
 public:
  std::vector<std::size_t> capacities;
  int reads_left = 3;

  std::unique_ptr<platform::ConsoleProgram> StartHiddenConsole(const std::string&) override {
    class Program : public platform::ConsoleProgram {
     public:
      explicit Program(BrimmingProcesses& owner) : owner_(owner) {}
      bool ReadChunk(char* buffer, std::size_t capacity, std::size_t& bytes_read) override {
        owner_.capacities.push_back(capacity);
        if (owner_.reads_left-- == 0)
          return false;
        std::memset(buffer, 'z', capacity);
        bytes_read = capacity;
        return true;
      }

     private:
      BrimmingProcesses& owner_;
    };
    return std::make_unique<Program>(*this);
  }
  bool Start(const std::string&, platform::ProcessHandle&) override { return false; }
  bool IsRunning(platform::ProcessHandle) override { return false; }
  void WaitForEndOrMessage(platform::ProcessHandle) override {}
  void Close(platform::ProcessHandle) override {}
};

TEST(RunCommandToTextBox, AsksForAtMost1023BytesAndAppendsFullChunksWhole) {
  BrimmingProcesses processes;
  RecordingTextBox box;
  RunCommandToTextBox({processes, box}, "flood");
  EXPECT_EQ(processes.capacities, std::vector<std::size_t>(4, kReadChunkBytes));
  EXPECT_EQ(box.Text(), std::string(3 * kReadChunkBytes, 'z'));
}

}  // namespace
}  // namespace quillset
