// The setup command line piece by piece, and the choice of the package to install.
#include "install/setup_command.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/system_port.h"

namespace quillset {
namespace {

struct CommandCase {
  const char* label;
  std::string app_folder;
  std::string temp;
  std::string program_files;
  std::string instance;
  std::int16_t package;
  std::string expected;
};

std::string CommandFor(const CommandCase& row) {
  const std::string arguments = SetupArgumentsFor(row.app_folder, SetupLogPathFor(row.temp),
                                                  row.instance, TargetFolderFor(row.program_files));
  return SetupCommandFor(row.app_folder, arguments, PackageOptionFor(row.app_folder, row.package));
}

TEST(SetupCommand, WholeLineTable) {
  const std::vector<CommandCase> rows = {
      {"the documented example", "D:\\MSDE", "C:\\TEMP", "C:\\Programme", "GLOBANA", 1,
       R"(D:\MSDE\setup.exe /lv "C:\TEMP\quillset.log" /settings "D:\MSDE\setup.ini" )"
       R"(INSTANCENAME=GLOBANA TARGETDIR="C:\Programme\" /i "D:\MSDE\setup\SqlRun01.msi" /wait)"},
      {"package 3", "D:\\MSDE", "C:\\TEMP", "C:\\Programme", "GLOBANA", 3,
       R"(D:\MSDE\setup.exe /lv "C:\TEMP\quillset.log" /settings "D:\MSDE\setup.ini" )"
       R"(INSTANCENAME=GLOBANA TARGETDIR="C:\Programme\" /i "D:\MSDE\setup\SqlRun03.msi" /wait)"},
      {"package 10 has no leading zero", "D:\\MSDE", "C:\\TEMP", "C:\\Programme", "TEST", 10,
       R"(D:\MSDE\setup.exe /lv "C:\TEMP\quillset.log" /settings "D:\MSDE\setup.ini" )"
       R"(INSTANCENAME=TEST TARGETDIR="C:\Programme\" /i "D:\MSDE\setup\SqlRun10.msi" /wait)"},
      {"drive root doubles the backslash", "D:\\", "C:\\TEMP", "C:\\Programme", "GLOBANA", 16,
       R"(D:\\setup.exe /lv "C:\TEMP\quillset.log" /settings "D:\\setup.ini" )"
       R"(INSTANCENAME=GLOBANA TARGETDIR="C:\Programme\" /i "D:\\setup\SqlRun16.msi" /wait)"},
      {"TEMP undefined", "D:\\MSDE", "", "C:\\Programme", "GLOBANA", 1,
       R"(D:\MSDE\setup.exe /lv "\quillset.log" /settings "D:\MSDE\setup.ini" )"
       R"(INSTANCENAME=GLOBANA TARGETDIR="C:\Programme\" /i "D:\MSDE\setup\SqlRun01.msi" /wait)"},
      {"ProgramFiles undefined", "D:\\MSDE", "C:\\TEMP", "", "GLOBANA", 1,
       R"(D:\MSDE\setup.exe /lv "C:\TEMP\quillset.log" /settings "D:\MSDE\setup.ini" )"
       R"(INSTANCENAME=GLOBANA TARGETDIR="\" /i "D:\MSDE\setup\SqlRun01.msi" /wait)"},
      {"a blank in the folder quotes the program", "C:\\Mein Ordner\\MSDE", "C:\\TEMP",
       "C:\\Program Files", "GLOBANA", 2,
       R"("C:\Mein Ordner\MSDE\setup.exe" /lv "C:\TEMP\quillset.log" )"
       R"(/settings "C:\Mein Ordner\MSDE\setup.ini" INSTANCENAME=GLOBANA )"
       R"(TARGETDIR="C:\Program Files\" /i "C:\Mein Ordner\MSDE\setup\SqlRun02.msi" /wait)"},
  };
  for (const CommandCase& row : rows) {
    EXPECT_EQ(CommandFor(row), row.expected) << row.label;
  }
}

TEST(SetupCommand, PiecesKeepTheirOwnBlanks) {
  // The settings file and the package are named with the folder trimmed, the program without.
  EXPECT_EQ(SetupArgumentsFor(" D:\\MSDE ", " \"C:\\T\\quillset.log\" ", "GLOBANA", "\"C:\\P\\\""),
            "/lv \"C:\\T\\quillset.log\" /settings \"D:\\MSDE\\setup.ini\" INSTANCENAME=GLOBANA "
            "TARGETDIR=\"C:\\P\\\"");
  EXPECT_EQ(PackageOptionFor(" D:\\MSDE ", 9), " /i \"D:\\MSDE\\setup\\SqlRun09.msi\"");
  EXPECT_EQ(SetupLogPathFor("C:\\TEMP"), "\"C:\\TEMP\\quillset.log\"");
  EXPECT_EQ(TargetFolderFor("C:\\Programme"), "\"C:\\Programme\\\"");
}

PackageList Installed(std::initializer_list<int> numbers) {
  PackageList list{};
  for (int number : numbers)
    list[number] = std::to_string(number);
  return list;
}

TEST(ChooseFreePackageNumber, LowestNumberNotInstalled) {
  struct Row {
    const char* label;
    PackageList found;
    std::int16_t expected;
  };
  PackageList all_but_16 = Installed({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15});
  const std::vector<Row> rows = {
      {"none installed", Installed({}), 1},
      {"1 and 2 installed", Installed({1, 2}), 3},
      {"1 to 9 installed", Installed({1, 2, 3, 4, 5, 6, 7, 8, 9}), 10},
      {"only 2 installed", Installed({2}), 1},
      {"1 and 3 installed", Installed({1, 3}), 2},
      {"all but 16", all_but_16, 16},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ChooseFreePackageNumber(row.found), row.expected) << row.label;
  }
}

TEST(ChooseFreePackageNumber, SlotHoldingAnotherNumberCountsAsFree) {
  PackageList found{};
  found[1] = "2";  // not its own number
  EXPECT_EQ(ChooseFreePackageNumber(found), 1);
  found[1] = "1x";  // the numeric value is the number at the start
  EXPECT_EQ(ChooseFreePackageNumber(found), 2);
}

TEST(ChooseFreePackageNumber, AllSixteenInstalledFailsWithNumberNine) {
  PackageList all{};
  for (int i = 1; i <= 16; ++i)
    all[i] = std::to_string(i);
  try {
    ChooseFreePackageNumber(all);
    FAIL() << "no failure raised";
  } catch (const platform::PlatformFailure& failure) {
    EXPECT_EQ(failure.number(), 9);
  }
}

}  // namespace
}  // namespace quillset
