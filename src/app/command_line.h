// The assistant's command line: split into arguments as Windows' own argument splitting reads it,
// then read as the switches a deployment tool gives (case-insensitive, "/" or "-").
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillset {

// The program's name first (in quotes up to the next quote, otherwise up to the first blank or
// tab, without escapes), then the arguments by the MSVC runtime's rules: blanks and tabs separate
// outside quotes; 2n backslashes before a quote give n backslashes and the quote opens or closes;
// 2n+1 give n backslashes and a quote; "" inside quotes gives a quote; other backslashes stay.
std::vector<std::string> SplitCommandLine(std::string_view line);

struct CommandLine {
  bool quiet = false;    // /quiet or /qn: no window, no box, no input box
  bool help = false;     // /? or /help
  bool has_log = false;  // /log PATH
  std::string log_path;
  bool has_instance = false;  // /instance NAME, upper-cased
  std::string instance;
  // Unknown switch, missing value, a switch given twice, an instance name the rule refuses: the
  // run ends at once. `bad_argument` names the first such argument as it was given.
  bool invalid = false;
  std::string bad_argument;
};

// Reads the switches. /quiet or /qn anywhere makes the run quiet, even when the rest is invalid.
// A switch's value is the next argument; one that is missing, empty or begins with "/" or "-"
// counts as missing. /quiet and /qn are one switch, as are /? and /help.
CommandLine ReadCommandLine(std::string_view line);

}  // namespace quillset
