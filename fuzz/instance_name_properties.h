// The instance-name rule. Input: the name as typed (after upper-casing, any bytes).
// Properties of an accepted name:
// - 1 to 16 characters, ASCII only, no blank, quote, slash, backslash or control character,
//   first character no digit and no "$", not DEFAULT or MSSQLSERVER in any letter case;
// - ASCII upper case does not change the verdict (the assistant upper-cases what the user types);
// - the setup command line built with it splits into exactly the expected ten arguments, one of
//   them INSTANCENAME= and the name, whatever the folders (blanks in them included).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "inspect/text_rules.h"
#include "install/instance_name_rule.h"
#include "install/setup_command.h"

namespace quillset::fuzz::instance_name {

inline std::string AsciiUpper(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

// Splits a command line the way a program's start-up code does for these lines: blanks and tabs
// outside double quotes separate arguments; the quotes stay in the argument.
inline std::vector<std::string> Arguments(const std::string& command_line) {
  std::vector<std::string> arguments;
  std::string current;
  bool quoted = false;
  bool in_argument = false;
  for (char c : command_line) {
    if (!quoted && (c == ' ' || c == '\t')) {
      if (in_argument)
        arguments.push_back(current);
      current.clear();
      in_argument = false;
      continue;
    }
    if (c == '"')
      quoted = !quoted;
    current += c;
    in_argument = true;
  }
  if (in_argument)
    arguments.push_back(current);
  return arguments;
}

struct Folders {
  const char* app;
  const char* temp;
  const char* program_files;
};

constexpr Folders kFolders[] = {
    {"D:\\MSDE", "C:\\TEMP", "C:\\Programme"},
    {"C:\\Dokumente und Einstellungen\\Kasse\\Desktop\\MSDE 2000",
     "C:\\DOKUME~1\\Kasse\\LOKALE~1\\Temp", "C:\\Programme"},
    {"D:\\", "", "C:\\Program Files (x86)"},
    {" E:\\Setup ", "C:\\users\\kasse\\Temp", "C:\\Program Files"},
};

inline void CheckCommandLine(const std::string& name, const Folders& folders,
                             std::int16_t package) {
  const std::string q = "\"";
  const std::string app = folders.app;
  const std::string trimmed_app = quillset::TrimBlanks(app);
  const std::string log = quillset::SetupLogPathFor(folders.temp);
  const std::string target = quillset::TargetFolderFor(folders.program_files);
  const std::string command =
      quillset::SetupCommandFor(app, quillset::SetupArgumentsFor(app, log, name, target),
                                quillset::PackageOptionFor(app, package));

  std::string program = app + "\\setup.exe";
  if (app.find(' ') != std::string::npos)
    program = q + program + q;
  const std::string file =
      package < 10 ? "SqlRun0" + std::to_string(package) : "SqlRun" + std::to_string(package);
  const std::vector<std::string> expected = {
      program,
      "/lv",
      q + folders.temp + "\\quillset.log" + q,
      "/settings",
      q + trimmed_app + "\\setup.ini" + q,
      "INSTANCENAME=" + name,
      "TARGETDIR=" + q + folders.program_files + "\\" + q,
      "/i",
      q + trimmed_app + "\\setup\\" + file + ".msi" + q,
      "/wait",
  };
  FUZZ_REQUIRE(Arguments(command) == expected,
               "an accepted name gives exactly the ten expected arguments");
}

// Checks one input; a violated property aborts (or goes to the violation handler).
inline void CheckInput(std::string_view input) {
  const std::string name(input);
  const bool accepted = quillset::IsValidInstanceName(name);
  FUZZ_REQUIRE(quillset::IsValidInstanceName(AsciiUpper(name)) == accepted,
               "upper case does not change the verdict");
  if (!accepted)
    return;

  FUZZ_REQUIRE(!name.empty() && name.size() <= 16, "1 to 16 characters");
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    FUZZ_REQUIRE(byte > 0x20 && byte < 0x7F, "ASCII, no blank and no control character");
    FUZZ_REQUIRE(std::string("\"'/\\").find(c) == std::string::npos,
                 "no quote, no slash, no backslash");
  }
  FUZZ_REQUIRE(!(name.front() >= '0' && name.front() <= '9') && name.front() != '$',
               "the first character is no digit and no $");
  const std::string upper = AsciiUpper(name);
  FUZZ_REQUIRE(upper != "DEFAULT" && upper != "MSSQLSERVER", "reserved names are refused");

  const std::int16_t package = static_cast<std::int16_t>(1 + (name.size() * 7 + name[0]) % 16);
  for (const Folders& folders : kFolders)
    CheckCommandLine(name, folders, package);
}

}  // namespace quillset::fuzz::instance_name
