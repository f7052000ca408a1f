// The "System-Info" report: its text byte for byte, and the handler that refreshes the inventory
// and shows it.
#include "report/system_report.h"

#include <gtest/gtest.h>

#include "inspect/package_detection.h"
#include "support/recording_window.h"
#include "support/simulated_processes.h"
#include "support/simulated_registry.h"
#include "support/simulated_system.h"

namespace quillset {
namespace {

using namespace platform;

InstanceList Names(std::initializer_list<std::pair<int, const char*>> slots) {
  InstanceList list{};
  for (const auto& [slot, name] : slots)
    list[static_cast<std::size_t>(slot)] = name;
  return list;
}

PackageList Packages(std::initializer_list<std::pair<int, const char*>> slots) {
  PackageList list{};
  for (const auto& [slot, text] : slots)
    list[static_cast<std::size_t>(slot)] = text;
  return list;
}

constexpr const char* kHead =
    "Auf diesem Rechner wurden gefunden: \n"
    "\n"
    "Anzahl der MSSQL-Datenbanken: \n";
constexpr const char* kNamesHeader = "Namen der MSSQL-Datenbanken: \n";
constexpr const char* kPackagesHeader = "\n\nAuf diesem Rechner installierte MSDE-Pakete: \n";

TEST(BuildSystemReport, Text) {
  struct Case {
    const char* label;
    std::int16_t count;
    InstanceList names;
    PackageList packages;
    std::string expected;
  };
  const Case cases[] = {
      {"two instances, packages 1 and 2", 2, Names({{1, "MSSQLSERVER"}, {2, "GLOBANA"}}),
       Packages({{1, "1"}, {2, "2"}}),
       "Auf diesem Rechner wurden gefunden: \n"
       "\n"
       "Anzahl der MSSQL-Datenbanken: \n"
       "\t\t 2\n"
       "\n"
       "Namen der MSSQL-Datenbanken: \n"
       "\t\tMSSQLSERVER\n"
       "\t\tGLOBANA\n"
       "\n"
       "\n"
       "Auf diesem Rechner installierte MSDE-Pakete: \n"
       "\t\t 1\n"
       "\t\t 2\n"},
      {"empty machine", 0, Names({}), Packages({}),
       std::string(kHead) + "\t\t 0\n\n" + kNamesHeader + kPackagesHeader},
      {"slot of blanks is printed", 1, Names({{1, "   "}}), Packages({}),
       std::string(kHead) + "\t\t 1\n\n" + kNamesHeader + "\t\t   \n" + kPackagesHeader},
      {"package 12 alone", 0, Names({}), Packages({{12, "12"}}),
       std::string(kHead) + "\t\t 0\n\n" + kNamesHeader + kPackagesHeader + "\t\t 12\n"},
      {"gaps and slot 0 skipped, slot 16 shown", 16, Names({{0, "ZERO"}, {2, "B"}, {16, "P"}}),
       Packages({{0, "0"}, {16, "16"}}),
       std::string(kHead) + "\t\t 16\n\n" + kNamesHeader + "\t\tB\n\t\tP\n" + kPackagesHeader +
           "\t\t 16\n"},
      {"package slots judged by their number", 0, Names({}),
       Packages({{3, "5"}, {4, " 4"}, {5, "5x"}, {6, "x6"}, {7, "07"}}),
       std::string(kHead) + "\t\t 0\n\n" + kNamesHeader + kPackagesHeader +
           "\t\t 4\n\t\t 5\n\t\t 7\n"},
      {"umlauts and tabs in names unchanged", 1,
       Names({{1,
               "K\xc3\x9c"
               "CHE\t"}}),
       Packages({}),
       std::string(kHead) + "\t\t 1\n\n" + kNamesHeader +
           "\t\tK\xc3\x9c"
           "CHE\t\n" +
           kPackagesHeader},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.label);
    EXPECT_EQ(BuildSystemReport(test.count, test.names, test.packages), test.expected);
  }
}

class ShowSystemReportTest : public ::testing::Test {
 protected:
  void Press() {
    ShowSystemReport(ports_,
                     SystemReportFields{state_codes_, setup_code_, count_, names_, packages_});
  }

  testing::RecordingWindow window_;
  testing::SimulatedRegistry registry_;
  testing::SimulatedProcesses processes_;
  testing::SimulatedSystem system_;
  Ports ports_{window_, registry_, processes_, system_};
  ProductCodeTable state_codes_{};
  std::string setup_code_ = "old";
  std::int16_t count_ = 9;
  InstanceList names_ = Names({{1, "OLD"}, {3, "STALE"}});
  PackageList packages_ = Packages({{4, "4"}});
};

TEST_F(ShowSystemReportTest, RefreshesTheFieldsAndShowsOneInformationBox) {
  registry_.LoadRegFile(QUILLSET_FIXTURE_DIR "/machine_two_instances.reg");
  Press();
  EXPECT_EQ(count_, 2);
  EXPECT_EQ(names_, Names({{1, "MSSQLSERVER"}, {2, "GLOBANA"}}));
  EXPECT_EQ(packages_, Packages({{1, "1"}, {2, "2"}}));
  EXPECT_EQ(state_codes_, KnownMsdeProductCodes());
  EXPECT_EQ(setup_code_, KnownMsdeProductCodes()[2]);
  EXPECT_EQ(
      window_.message_boxes(),
      (std::vector<testing::MsgBoxCall>{{BuildSystemReport(count_, names_, packages_), 64,
                                         "Microsoft SQL-Server Installations-Informationen"}}));
  // Nothing else on the window changes.
  EXPECT_EQ(window_.calls(),
            std::vector<std::string>{"MsgBox Microsoft SQL-Server Installations-Informationen"});
  EXPECT_EQ(registry_.open_handles(), 0);
}

TEST_F(ShowSystemReportTest, SecondPressShowsTheSameOrTheChange) {
  Press();
  Press();
  ASSERT_EQ(window_.message_boxes().size(), 2u);
  EXPECT_EQ(window_.message_boxes()[0].prompt, window_.message_boxes()[1].prompt);
  EXPECT_EQ(count_, 0);
  EXPECT_EQ(names_, Names({}));
  EXPECT_EQ(packages_, Packages({}));

  registry_.LoadRegFile(QUILLSET_FIXTURE_DIR "/machine_sixteen.reg");
  Press();
  ASSERT_EQ(window_.message_boxes().size(), 3u);
  EXPECT_NE(window_.message_boxes()[2].prompt.find("\t\t 16\n\nNamen"), std::string::npos);
  EXPECT_NE(window_.message_boxes()[2].prompt.find("\t\tINST16\n"), std::string::npos);
  EXPECT_EQ(count_, 16);
}

}  // namespace
}  // namespace quillset
