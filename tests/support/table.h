// The tables the tests read (machines.txt, rules.txt): rows of "key: value" lines under "[name]"
// headings; '#' starts a comment. In values {CR}, {LF}, {TAB}, {NUL} and {xHH} stand for those
// characters, so that Windows paths keep their backslashes. The native and the Wine tests run the
// rows of machines.txt and compare what they saw with the row's expectations here.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <utility>

#include "support/text.h"  // strings, string views and vectors

namespace quillset::testing {

struct Row {
  std::string name;
  std::vector<std::pair<std::string, std::string>> fields;  // in the file's order, not unescaped

  // The values of a key, unescaped.
  std::vector<std::string> All(std::string_view key) const;
  std::string One(std::string_view key, const std::string& otherwise = "") const;
  bool Has(std::string_view key) const { return !All(key).empty(); }
  // Whether "no:" names the thing as missing from the machine.
  bool Missing(const std::string& thing) const {
    const std::vector<std::string> missing = Split(One("no"), ", ");
    return std::find(missing.begin(), missing.end(), thing) != missing.end();
  }
  // Rows run on both machines unless "where:" names one ("native" or "wine").
  bool RunsOn(std::string_view machine) const {
    return One("where", std::string(machine)) == machine;
  }
};

std::vector<Row> ReadTable(const std::string& path);
// The rows of machines.txt that run on this machine ("native" or "wine").
std::vector<Row> MachineRows(std::string_view machine);
std::string Unescape(std::string_view text);
inline void PrintTo(const Row& row, std::ostream* out) {
  *out << row.name;
}
// The row's name as GoogleTest accepts it for a test: its letters and digits.
std::string RowTestName(const ::testing::TestParamInfo<Row>& info);

// What a run showed the user and left on the machine.
struct Outcome {
  std::vector<std::string> dialogs;  // "box STYLE | TITLE | TEXT" or "ask TITLE | PROMPT"
  std::string page;                  // intro, old, found, wait, none, or ended
  std::vector<std::string> list;     // items of the found-databases list, when it is in view
  std::vector<std::string> setups;   // command lines the MSDE setup program was started with
  std::vector<std::string> aliases;  // values of the ConnectTo key as NAME=DATA, sorted
  std::string exit;                  // the exit code
  std::vector<std::string> log;      // the log's lines without their time stamps
};

// Registry contents as .reg lines (REGEDIT4): [HKEY_LOCAL_MACHINE\key] or [HKEY_CLASSES_ROOT\key],
// then "name"="text", "name"=dword:hex or "name"=hex(type):bytes; the hex bytes of a text are
// Windows-1252. The simulated registry and the Wine machine apply the same operations.
struct RegOperation {
  std::uintptr_t root = 0;  // the root key's handle value
  std::string path;         // below the root
  std::string name;         // the value's name; a key alone when there is no value
  bool has_value = false;
  std::uint32_t type = 0;
  std::string data;  // as the ANSI functions read it, in UTF-8: texts with their NULs
};

std::vector<RegOperation> ParseRegLines(std::string_view text);
// The registry a row arranges: "instances:" as InstalledInstances, then its "reg:" lines.
std::vector<RegOperation> RegistryOf(const Row& row);

// Windows-1252 bytes as UTF-8, the range 0x80-0x9F taken as Latin-1.
std::string Latin1ToUtf8(std::string_view bytes);

// Compares what was seen with the row: box/ask (in order), page (intro when not given), list,
// setup and alias (none when not given), exit and log (when given). {computer} stands for the
// computer's name, {version} for the program's.
void ExpectOutcome(const Row& row, const Outcome& seen, const std::string& computer);

}  // namespace quillset::testing
