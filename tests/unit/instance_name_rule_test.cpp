// Which typed instance names the installation accepts.
#include "install/instance_name_rule.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quillset {
namespace {

TEST(IsValidInstanceName, Table) {
  struct Row {
    std::string name;
    bool valid;
  };
  const std::vector<Row> rows = {
      {"GLOBANA", true},
      {"TEST", true},
      {"A", true},
      {"_X", true},
      {"&X", true},
      {"#X", true},
      {"A1$_&#", true},
      {"ABCDEFGHIJKLMNOP", true},    // 16 characters
      {"ABCDEFGHIJKLMNOPQ", false},  // 17
      {"", false},
      {"1ABC", false},   // a digit first
      {"$ABC", false},   // "$" only after the first character
      {"TEST ", false},  // blanks would split the command line
      {" TEST", false},
      {"A B", false},
      {"TEST /QN", false},
      {"A\"B", false},
      {"A\\B", false},
      {"A-B", false},
      {"A.B", false},
      {"A\tB", false},
      {"MÜLLER", false},  // letters are A to Z only
      {"DEFAULT", false},
      {"MSSQLSERVER", false},
      {"Default", false},
      {"DEFAULTS", true},
      {"MSSQLSERVER2", true},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(IsValidInstanceName(row.name), row.valid) << "'" << row.name << "'";
  }
}

}  // namespace
}  // namespace quillset
