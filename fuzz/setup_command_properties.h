// The MSDE setup command line, piece by piece, and the choice of the package.
// Input: fields cut at NUL bytes: the assistant's folder, TEMP, ProgramFiles, the instance name,
// then the 17 slots of the package list (slot 0 first).
// Properties:
// - ChooseFreePackageNumber gives the lowest number from 1 to 16 whose slot does not hold that
//   number (blanks, a "+" and leading zeros allowed before the digits), or raises
//   PlatformFailure(9) when all sixteen do, and nothing else;
// - the package option names setup\SqlRunNN.msi with NN the chosen number, 01 to 16, in quotes
//   below the folder without its outer blanks;
// - the command line is the program path, a blank, the arguments, the package option and
//   " /wait" at the end; the program path is quoted exactly when the folder holds a blank;
// - the arguments read /lv, the quoted log path, /settings, the quoted setup.ini, INSTANCENAME=
//   and TARGETDIR= with the quoted program folder, in this order.
#pragma once

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "inspect/text_rules.h"
#include "install/setup_command.h"
#include "platform/system_port.h"

namespace quillset::fuzz::setup_command {

using quillset::PackageList;

// Whether the slot's text starts with the decimal number `number`.
inline bool HoldsNumber(const std::string& slot, int number) {
  std::size_t at = slot.find_first_not_of(' ');
  if (at == std::string::npos)
    return false;
  if (slot[at] == '+')
    ++at;
  std::size_t end = at;
  while (end < slot.size() && slot[end] >= '0' && slot[end] <= '9')
    ++end;
  std::string digits = slot.substr(at, end - at);
  digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size()));
  return digits == std::to_string(number);
}

inline int ExpectedPackageNumber(const PackageList& packages) {
  for (int number = 1; number <= 16; ++number) {
    if (!HoldsNumber(packages[static_cast<std::size_t>(number)], number))
      return number;
  }
  return 0;
}

inline std::string TwoDigits(int number) {
  return std::string(1, static_cast<char>('0' + number / 10)) +
         static_cast<char>('0' + number % 10);
}

inline void CheckCommand(const std::string& app, const std::string& temp,
                         const std::string& program_files, const std::string& name, int number) {
  const std::string q = "\"";
  const std::string trimmed_app = quillset::TrimBlanks(app);

  const std::string option = quillset::PackageOptionFor(app, static_cast<std::int16_t>(number));
  FUZZ_REQUIRE(
      option == " /i " + q + trimmed_app + "\\setup\\SqlRun" + TwoDigits(number) + ".msi" + q,
      "the package option names SqlRun01.msi to SqlRun16.msi below the folder");

  const std::string log = quillset::SetupLogPathFor(temp);
  FUZZ_REQUIRE(log == q + temp + "\\quillset.log" + q, "the log path in quotes");
  const std::string target = quillset::TargetFolderFor(program_files);
  FUZZ_REQUIRE(target == q + program_files + "\\" + q, "the target folder in quotes");

  const std::string arguments = quillset::SetupArgumentsFor(app, log, name, target);
  FUZZ_REQUIRE(arguments == "/lv " + quillset::TrimBlanks(log) + " /settings " + q + trimmed_app +
                                "\\setup.ini" + q + " INSTANCENAME=" + name +
                                " TARGETDIR=" + target,
               "the arguments in their order");

  const std::string command = quillset::SetupCommandFor(app, arguments, option);
  const std::string suffix = " /wait";
  FUZZ_REQUIRE(command.size() >= suffix.size() &&
                   command.compare(command.size() - suffix.size(), suffix.size(), suffix) == 0,
               "the command line ends with /wait");
  std::string program = app + "\\setup.exe";
  if (app.find(' ') != std::string::npos)
    program = q + program + q;
  FUZZ_REQUIRE(command == program + " " + arguments + option + suffix,
               "program path (quoted when the folder has a blank), arguments, option, /wait");
}

// Checks one input; a violated property aborts (or goes to the violation handler).
inline void CheckInput(std::string_view input) {
  const std::vector<std::string> fields = SplitAtNul(input);
  std::size_t next = 0;
  const auto field = [&]() { return next < fields.size() ? fields[next++] : std::string(); };
  const std::string app = field();
  const std::string temp = field();
  const std::string program_files = field();
  const std::string name = field();
  PackageList packages{};
  for (std::string& slot : packages)
    slot = field();

  const int expected = ExpectedPackageNumber(packages);
  int number = 0;
  try {
    number = quillset::ChooseFreePackageNumber(packages);
  } catch (const quillset::platform::PlatformFailure& failure) {
    FUZZ_REQUIRE(failure.number() == quillset::kFailureNoFreePackage,
                 "the only failure is number 9");
    FUZZ_REQUIRE(expected == 0, "the failure only when packages 1 to 16 are all installed");
    return;
  }
  FUZZ_REQUIRE(number == expected, "the lowest package number not installed");
  CheckCommand(app, temp, program_files, name, number);
}

}  // namespace quillset::fuzz::setup_command
