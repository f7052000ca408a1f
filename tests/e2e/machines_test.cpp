// Every machine of tests/machines.txt under Wine, on the real quillset.exe: the real registry,
// real services and net, the stand-ins for osql and the MSDE setup. The user's actions come from
// outside, as clicks and keys; what the user sees is read from the screen.
#include <gtest/gtest.h>

#include <cstdio>
#include <optional>

#include "e2e/driver.h"

namespace quillset::e2e {
namespace {

using testing::Row;

class WineMachines : public ::testing::TestWithParam<Row> {};

TEST_P(WineMachines, RunAsTheTableSays) {
  const Row& row = GetParam();
  Machine machine(row);
  std::optional<Program> first;  // another run under way
  if (row.One("hold") == "assistant")
    first.emplace(machine);
  Program program(machine, row.One("args"));
  std::vector<std::string> answers = row.All("answer");
  testing::Outcome seen;
  std::string during;
  Settle(program, answers, during, seen);
  const std::vector<std::string> actions = testing::Split(row.One("do"), ", ");
  for (std::size_t i = 0; i < actions.size(); ++i) {
    if (actions[i].starts_with("~") || program.Ended())
      continue;
    if (i + 1 < actions.size() && actions[i + 1].starts_with("~"))
      during = actions[i + 1].substr(1);
    Sleep(PauseMs());
    Act(program.window(), actions[i]);
    Settle(program, answers, during, seen);
    EXPECT_EQ(during, "") << "no program ran long enough to do this during it";
  }
  seen.page = !program.window() ? "never"
              : program.Ended() ? "ended"
                                : PageInView(program.window());
  if (seen.page == "found")
    seen.list = ListItems(program.window());
  if (row.Has("exit") && !program.Ended())
    Act(program.window(), "close");  // closing reaches no outcome: the code is the one held
  seen.exit = row.Has("exit") ? program.ExitCode() : "";
  seen.log = row.Has("log") ? machine.LogLines() : seen.log;
  seen.setups = machine.SetupRuns();
  seen.aliases = machine.ConnectToValues();
  testing::ExpectOutcome(row, seen, ComputerName());
  // The demo (scripts/run-demo) tells what happened.
  for (const auto& said : {seen.dialogs, seen.setups, seen.aliases})
    for (const std::string& line : said)
      if (PauseMs() > 0)
        std::printf("[ demo     ] %s\n", line.c_str());
}

INSTANTIATE_TEST_SUITE_P(Table, WineMachines, ::testing::ValuesIn(testing::MachineRows("wine")),
                         testing::RowTestName);

}  // namespace
}  // namespace quillset::e2e
