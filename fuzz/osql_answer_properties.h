// The osql answer cleaning and the two judgements on the probed servers.
// Input: fields cut at NUL bytes. The first is an osql answer; the following ones fill the
// table of servers, three per slot (server name, edition, version) from slot 0 on.
// Properties:
// - a cleaned answer holds no "-", no LF, VT, FF or CR, no blank at either end, and every one of
//   its characters comes from the answer, in order;
// - an answer in osql's own layout (empty heading, hyphens, the value padded with blanks, the
//   row count) cleans to the value without its hyphens and outer blanks;
// - IsOldVersion: empty is not old; a text that does not begin with a digit is; otherwise the
//   major version (the digits before the first other character) decides, below 8 is old;
// - FindOldVersionServer / FindNonDesktopServer give a copy of the lowest slot from 1 to 16 with
//   a server name that qualifies, or the empty record; slot 0 never counts.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "inspect/server_probes.h"

namespace quillset::fuzz::osql_answer {

using quillset::ServerInfo;
using quillset::ServerInfoTable;

inline bool IsSubsequence(const std::string& part, const std::string& whole) {
  std::size_t at = 0;
  for (char c : whole) {
    if (at < part.size() && part[at] == c)
      ++at;
  }
  return at == part.size();
}

inline void CheckCleaning(const std::string& answer) {
  const std::string cleaned = quillset::CleanOsqlAnswer(answer);
  FUZZ_REQUIRE(cleaned.find_first_of("-\n\v\f\r") == std::string::npos,
               "no hyphen and no line control character is left");
  FUZZ_REQUIRE(cleaned.empty() || (cleaned.front() != ' ' && cleaned.back() != ' '),
               "no blank at either end");
  FUZZ_REQUIRE(IsSubsequence(cleaned, answer), "only characters of the answer, in order");

  // The answer as the value of osql's layout: clean gives the value back.
  if (answer.find_first_of("\n\v\f\r(") == std::string::npos) {
    std::string padded = answer;
    if (padded.size() < 20)
      padded.resize(20, ' ');
    const std::string layout = std::string(20, ' ') + "\r\n" + std::string(20, '-') + "\r\n" +
                               padded + "\r\n\r\n(1 row affected)\r\n";
    std::string value;
    for (char c : answer) {
      if (c != '-')
        value += c;
    }
    const std::size_t first = value.find_first_not_of(' ');
    value = first == std::string::npos
                ? ""
                : value.substr(first, value.find_last_not_of(' ') - first + 1);
    FUZZ_REQUIRE(quillset::CleanOsqlAnswer(layout) == value,
                 "osql's layout cleans to the value without hyphens and outer blanks");
  }
}

inline bool ExpectedOld(const std::string& version) {
  if (version.empty())
    return false;
  if (version.front() < '0' || version.front() > '9')
    return true;
  std::size_t end = version.find_first_not_of("0123456789");
  if (end == std::string::npos)
    end = version.size();
  const std::string digits = version.substr(0, end);
  const std::size_t significant = digits.find_first_not_of('0');
  if (significant == std::string::npos)
    return true;  // major version 0
  if (end - significant > 1)
    return false;  // two or more digits: 10 or more
  return digits[significant] < '8';
}

inline bool IsDesktop(const std::string& edition) {
  return edition == "Desktop Engine" || edition == "Desktop Edition";
}

inline void CheckJudgements(const ServerInfoTable& table) {
  for (int slot = 0; slot <= 16; ++slot) {
    const std::string& version = table[static_cast<std::size_t>(slot)].Version;
    FUZZ_REQUIRE(quillset::IsOldVersion(version) == ExpectedOld(version),
                 "IsOldVersion judges by the major version");
  }

  ServerInfo old_expected;
  ServerInfo non_desktop_expected;
  bool old_found = false;
  bool non_desktop_found = false;
  for (int slot = 1; slot <= 16; ++slot) {
    const ServerInfo& info = table[static_cast<std::size_t>(slot)];
    if (info.ServerName.empty())
      continue;
    if (!old_found && ExpectedOld(info.Version)) {
      old_expected = info;
      old_found = true;
    }
    if (!non_desktop_found && !info.Edition.empty() && !IsDesktop(info.Edition)) {
      non_desktop_expected = info;
      non_desktop_found = true;
    }
  }
  FUZZ_REQUIRE(quillset::FindOldVersionServer(table) == old_expected,
               "FindOldVersionServer: the lowest named slot with an old version");
  FUZZ_REQUIRE(quillset::FindNonDesktopServer(table) == non_desktop_expected,
               "FindNonDesktopServer: the lowest named slot with another edition");
}

// Checks one input; a violated property aborts (or goes to the violation handler).
inline void CheckInput(std::string_view input) {
  const std::vector<std::string> fields = SplitAtNul(input);
  CheckCleaning(fields[0]);

  ServerInfoTable table{};
  std::size_t next = 1;
  const auto field = [&]() { return next < fields.size() ? fields[next++] : std::string(); };
  for (ServerInfo& info : table) {
    info.ServerName = field();
    info.Edition = field();
    info.Version = field();
  }
  // Half the time the table holds cleaned answers, as ProbeInstances stores them.
  if (fields.size() % 2 == 0) {
    for (ServerInfo& info : table) {
      info.Edition = quillset::CleanOsqlAnswer(info.Edition);
      info.Version = quillset::CleanOsqlAnswer(info.Version);
    }
  }
  CheckJudgements(table);
}

}  // namespace quillset::fuzz::osql_answer
