// Whether net start lists a service: the listing rules on the layouts Windows and Wine print, and
// the two checks as the callers use them.
#include "inspect/service_checks.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "support/recording_window.h"
#include "support/simulated_processes.h"

namespace quillset {
namespace {

using testing::ConsoleScript;
using testing::RecordingTextBox;
using testing::SimulatedProcesses;

// Windows: a heading, an empty line, services indented by three blanks, an empty line and a
// closing line.
const std::string kWindowsListing =
    "These Windows services are started:\r\n"
    "\r\n"
    "   Computer Browser\r\n"
    "   MSSQL$GLOBANA\r\n"
    "   MSSQLSERVER\r\n"
    "   Server\r\n"
    "\r\n"
    "The command completed successfully.\r\n"
    "\r\n";

// Wine: a heading, services indented by four blanks, the last line without its line end.
const std::string kWineListing =
    "The following services are running:\r\n"
    "    MSSQLSERVER\r\n"
    "    Server\r\n"
    "    MSSQL$GLOBANA";

struct ListingCase {
  const char* what;
  std::string listing;
  std::string name;
  bool shown;
};

TEST(ListingShowsInstanceService, JudgesEveryLineByItsEnd) {
  const ListingCase cases[] = {
      {"Windows, named instance", kWindowsListing, "GLOBANA", true},
      {"Windows, default instance", kWindowsListing, "MSSQLSERVER", true},
      {"Windows, last service before the empty line", kWindowsListing, "Server", true},
      {"Wine, last line unterminated", kWineListing, "GLOBANA", true},
      {"Wine, default instance", kWineListing, "MSSQLSERVER", true},
      {"absent", kWindowsListing, "KORA", false},
      {"letter case differs", kWindowsListing, "globana", false},
      {"name inside another line first, own line later",
       "   MSSQL$GLOBANA2\r\n   MSSQL$GLOBANA\r\n", "GLOBANA", true},
      {"name only inside another line", "   MSSQL$GLOBANA2\r\n   Server\r\n", "GLOBANA", false},
      {"name only at the start of a line", "   GLOBANA Agent\r\n", "GLOBANA", false},
      {"another instance whose name ends with it", "   MSSQL$XGLOBANA\r\n", "GLOBANA", false},
      {"another instance ending in a digit and the name",
       "   MSSQL$2GLOBANA\r\n   MSSQL$_GLOBANA\r\n", "GLOBANA", false},
      {"the name after a blank", "   SQL Server GLOBANA\r\n", "GLOBANA", true},
      {"blanks after the name", "   MSSQL$GLOBANA   \r\n   Server\r\n", "GLOBANA", true},
      {"line ends with LF only", "   MSSQL$GLOBANA\n   Server\n", "GLOBANA", true},
      {"whole listing is the name", "GLOBANA", "GLOBANA", true},
      {"name followed by a non-indented line", "   MSSQL$GLOBANA\r\nDone.\r\n", "GLOBANA", true},
      {"empty listing", "", "GLOBANA", false},
      {"empty name is never found", kWindowsListing, "", false},
      {"design-time text of the box", "Text1", "GLOBANA", false},
      {"name longer than the listing", "   A", "MSSQL$GLOBANA", false},
  };
  for (const ListingCase& c : cases) {
    EXPECT_EQ(ListingShowsInstanceService(c.listing, c.name), c.shown) << c.what;
  }
}

TEST(ListingShowsService, NeedsACarriageReturnOrTheEndAfterSomeOccurrence) {
  const ListingCase cases[] = {
      {"Windows layout", kWindowsListing, " Server", true},
      {"Wine layout", kWineListing, " Server", true},
      {"last line unterminated", "    Computer Browser\r\n    Server", " Server", true},
      {"more text after it on its line", "   Server Manager\r\n   Workstation\r\n", " Server",
       false},
      {"another line first, own line later", "   Server Manager\r\n   Server\r\n", " Server", true},
      {"letter case differs", "   server\r\n", " Server", false},
      {"no blank before it", "   MSSQLSERVER\r\n   xServer\r\n", " Server", false},
      {"line feed only after it", "   Server\n", " Server", false},
      {"empty listing", "", " Server", false},
      {"empty search text", kWindowsListing, "", false},
  };
  for (const ListingCase& c : cases) {
    EXPECT_EQ(ListingShowsService(c.listing, c.name), c.shown) << c.what;
  }
}

// A machine whose net prints `listing`, or cannot be started when it is nullopt.
struct NetMachine {
  explicit NetMachine(std::optional<std::string> listing) {
    processes.console_programs = [listing](const std::string&) -> std::optional<ConsoleScript> {
      if (!listing)
        return std::nullopt;
      return ConsoleScript{{*listing}};
    };
  }
  CommandConsole console() { return {processes, box}; }

  SimulatedProcesses processes;
  RecordingTextBox box;
};

TEST(IsInstanceServiceStarted, RunsNetStartInCapitalsAndJudgesItsListing) {
  NetMachine machine(kWindowsListing);
  EXPECT_TRUE(IsInstanceServiceStarted(machine.console(), "GLOBANA"));
  EXPECT_FALSE(IsInstanceServiceStarted(machine.console(), "KORA"));
  EXPECT_EQ(machine.processes.console_command_lines(),
            (std::vector<std::string>{"NET START", "NET START"}));
  EXPECT_EQ(machine.box.Text(), kWindowsListing);
}

TEST(IsInstanceServiceStarted, WithoutNetJudgesWhatTheBoxHeldBefore) {
  NetMachine machine(std::nullopt);
  EXPECT_FALSE(IsInstanceServiceStarted(machine.console(), "GLOBANA"));
  EXPECT_EQ(machine.box.Text(), "Text1");

  machine.box.SetText(kWineListing);
  EXPECT_TRUE(IsInstanceServiceStarted(machine.console(), "GLOBANA"));
  EXPECT_EQ(machine.box.Text(), kWineListing);
}

TEST(IsServiceStarted, RunsNetStartInSmallLettersAndLooksForTheText) {
  NetMachine machine(kWindowsListing);
  EXPECT_TRUE(IsServiceStarted(machine.console(), " Server"));
  EXPECT_FALSE(IsServiceStarted(machine.console(), " Workstation"));
  EXPECT_EQ(machine.processes.console_command_lines(),
            (std::vector<std::string>{"net start", "net start"}));
}

TEST(IsServiceStarted, WithoutNetFindsNothingAndLeavesTheBoxEmpty) {
  NetMachine machine(std::nullopt);
  machine.box.SetText(kWindowsListing);  // an earlier listing must not count
  EXPECT_FALSE(IsServiceStarted(machine.console(), " Server"));
  EXPECT_EQ(machine.box.Text(), "");
}

}  // namespace
}  // namespace quillset
