// What osql writes for `osql -E -S SERVER -Q "... SERVERPROPERTY('edition'|'productVersion') ..."`,
// from answers the tests give per server, one line each:
//   SERVER | Desktop Engine | 8.00.194 [| delay MS]   edition and version, after MS of silence
//   SERVER | silent                                   ends without a word
//   SERVER | flood BYTES                              that many bytes of dots before the answer
//   SERVER | error TEXT                               the text on standard error
// A server without a line cannot be reached: osql's connection error on standard error. Header
// only: the stand-in osql.exe and the simulated machine both answer with it.
#pragma once

#include <string>
#include <string_view>

#include "support/text.h"

namespace quillset::testing {

struct OsqlReply {
  int delay_ms = 0;
  std::string out;  // standard output
  std::string err;  // standard error
};

inline OsqlReply OsqlAnswer(std::string_view answers, const std::string& server,
                            const std::string& query) {
  OsqlReply reply;
  for (const std::string& line : Split(answers, "\n")) {
    const std::vector<std::string> fields = Split(line, " | ");
    if (fields.size() < 2 || fields[0] != server)
      continue;
    std::string values[2] = {"NULL", "NULL"};  // what SERVERPROPERTY gives when asked nothing
    std::size_t given = 0;
    for (std::size_t i = 1; i < fields.size(); ++i) {
      const std::string knob = fields[i].substr(0, fields[i].find(' '));
      const std::string argument = fields[i].substr(knob.size() + (knob != fields[i]));
      if (knob == "silent")
        return reply;
      if (knob == "delay")
        reply.delay_ms = std::stoi(argument);
      else if (knob == "error")
        reply.err = argument + "\r\n";
      else if (knob == "flood")
        reply.out.assign(std::stoul(argument), '.');
      else if (given < 2)
        values[given++] = fields[i];
    }
    if (!reply.err.empty())
      return reply;
    std::string value = query.find("'edition'") != std::string::npos ? values[0] : values[1];
    value.resize(20, ' ');  // char(20): cut or padded
    reply.out += " " + std::string(20, ' ') + "\r\n " + std::string(20, '-') + "\r\n " + value +
                 "\r\n\r\n(1 row affected)\r\n";
    return reply;
  }
  reply.err = "[DBNETLIB]SQL Server does not exist or access denied.\r\n";
  return reply;
}

}  // namespace quillset::testing
