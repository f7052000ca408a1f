// The console command runner on fuzzed output, and the two service checks that run net through
// it. Input: flags (1 byte; bit 0: the program can be started), the box's text before the run
// (16-bit length, then the bytes), then the program's writes into the pipe, each a 16-bit length
// and its bytes.
// Properties:
// - a program that cannot start leaves the box's text exactly as it was;
// - otherwise the box holds the output read in chunks of at most 1023 bytes, each cut at its
//   first zero byte, as if that text had been inserted at once;
// - the runner destroys the program (its pipe and handles) and passes the command line unchanged;
// - IsServiceStarted and IsInstanceServiceStarted judge exactly the text the box then holds.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "inspect/command_runner.h"
#include "inspect/service_checks.h"
#include "support/recording_window.h"
#include "support/simulated_processes.h"

namespace quillset::fuzz::command_runner {

using quillset::CommandConsole;
using quillset::testing::ConsoleScript;
using quillset::testing::RecordingTextBox;
using quillset::testing::SimulatedProcesses;

struct Case {
  bool starts = false;
  std::string before;
  ConsoleScript script;
};

inline void Arrange(const Case& c, SimulatedProcesses& processes, RecordingTextBox& box) {
  processes.console_programs = [c](const std::string&) -> std::optional<ConsoleScript> {
    if (!c.starts)
      return std::nullopt;
    return c.script;
  };
  box.SetText(c.before);
}

// The bytes a reader of at most 1023 bytes per read gets, each read cut at its first zero byte.
inline std::string ExpectedBytes(const ConsoleScript& script) {
  std::string bytes;
  for (const std::string& write : script.writes) {
    for (std::size_t from = 0; from < write.size(); from += quillset::kReadChunkBytes) {
      const std::string chunk = write.substr(from, quillset::kReadChunkBytes);
      bytes += chunk.substr(0, chunk.find('\0'));
    }
  }
  return bytes;
}

// The box's text after the run: the previous text, or the whole output inserted at once.
inline std::string ExpectedText(const Case& c) {
  if (!c.starts)
    return c.before;
  RecordingTextBox box;
  box.SetText("");
  box.ReplaceSelection(ExpectedBytes(c.script).c_str());
  return box.Text();
}

inline void CheckRunner(const Case& c) {
  SimulatedProcesses processes;
  RecordingTextBox box;
  Arrange(c, processes, box);
  const int set_text_before = box.set_text_calls();
  const std::string command_line = "osql -E -S PC\\GLOBANA -Q \" SELECT 1\"";
  quillset::RunCommandToTextBox(CommandConsole{processes, box}, command_line);

  FUZZ_REQUIRE(box.Text() == ExpectedText(c), "the box holds the output, or its old text");
  if (!c.starts)
    FUZZ_REQUIRE(box.set_text_calls() == set_text_before, "a failed start does not touch the box");
  FUZZ_REQUIRE(processes.open_console_programs() == 0,
               "the program's pipe and handles are released");
  FUZZ_REQUIRE(processes.console_command_lines() == std::vector<std::string>{command_line},
               "the command line goes out once, unchanged");
}

inline void CheckServiceChecks(const Case& c) {
  {
    SimulatedProcesses processes;
    RecordingTextBox box;
    Arrange(c, processes, box);
    const bool started = quillset::IsServiceStarted(CommandConsole{processes, box}, " Server");
    const std::string expected = c.starts ? ExpectedText(c) : std::string();
    FUZZ_REQUIRE(box.Text() == expected, "IsServiceStarted empties the box before net runs");
    FUZZ_REQUIRE(started == quillset::ListingShowsService(expected, " Server"),
                 "IsServiceStarted judges the box's text");
  }
  {
    SimulatedProcesses processes;
    RecordingTextBox box;
    Arrange(c, processes, box);
    const bool started =
        quillset::IsInstanceServiceStarted(CommandConsole{processes, box}, "GLOBANA");
    const std::string expected = ExpectedText(c);
    FUZZ_REQUIRE(box.Text() == expected,
                 "IsInstanceServiceStarted leaves net's output or the old text");
    FUZZ_REQUIRE(started == quillset::ListingShowsInstanceService(expected, "GLOBANA"),
                 "IsInstanceServiceStarted judges the box's text");
  }
}

// Checks one input; a violated property aborts (or goes to the violation handler).
inline void CheckInput(std::string_view bytes) {
  ByteReader input(bytes);
  Case c;
  c.starts = (input.Byte() & 1) != 0;
  c.before = input.LengthPrefixed();
  while (!input.AtEnd())
    c.script.writes.push_back(input.LengthPrefixed());
  CheckRunner(c);
  CheckServiceChecks(c);
}

}  // namespace quillset::fuzz::command_runner
