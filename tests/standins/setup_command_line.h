// How the MSDE setup stand-in reads its command line: raw, the way Microsoft's setup program
// does. Blanks outside double quotes end a token and the quotes only group text; a backslash is
// always part of the text, so TARGETDIR="C:\Programme\" ends in a backslash instead of escaping
// its closing quote (which the C runtime's splitting would do).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillset::standin {

// The tokens of a command line: blanks and tabs outside quotes separate them, the quotes are
// dropped, an unclosed quote runs to the end of the line.
std::vector<std::wstring> SplitCommandLine(std::wstring_view line);

struct SetupCommandLine {
  std::wstring program;                      // the first token, as given
  std::wstring log_path;                     // /lv <file>
  std::wstring settings_path;                // /settings <file>
  std::wstring instance_name;                // INSTANCENAME=<name>
  std::wstring target_folder;                // TARGETDIR=<folder>; "" when the line names none
  std::wstring package_path;                 // /i <file>
  bool wait = false;                         // /wait
  std::vector<std::wstring> missing_values;  // switches that came without their value
  std::vector<std::wstring> unknown;         // tokens the setup program does not know
};

// Switch and property names are matched without regard to letter case; when one is given twice
// the last one counts. A switch lacks its value at the end of the line or when the next token is
// itself a switch (starts with '/').
SetupCommandLine ParseSetupCommandLine(std::wstring_view line);

}  // namespace quillset::standin
