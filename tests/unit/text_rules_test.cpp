// The small text rules the inventory, the report and the probes share.
#include "inspect/text_rules.h"

#include <gtest/gtest.h>

#include <limits>

namespace quillset {
namespace {

TEST(TextRules, TrimBlanksRemovesSpacesOnly) {
  const std::pair<const char*, const char*> cases[] = {
      {"", ""}, {"   ", ""}, {" a ", "a"}, {"a b", "a b"}, {"\ta\t", "\ta\t"}, {"  x\t ", "x\t"},
  };
  for (const auto& [text, expected] : cases)
    EXPECT_EQ(TrimBlanks(text), expected) << text;
}

TEST(TextRules, LeadingNumber) {
  const std::pair<const char*, std::int64_t> cases[] = {
      {"12", 12},
      {"", 0},
      {"3x", 3},
      {"x3", 0},
      {"  7", 7},
      {"-5", -5},
      {"+4", 4},
      {"- 5", 0},
      {"\t5", 0},
      {"007", 7},

      {"-", 0},
      {"99999999999999999999", std::numeric_limits<std::int64_t>::max()},
      {"-99999999999999999999", std::numeric_limits<std::int64_t>::min()},
      {"-9223372036854775808", std::numeric_limits<std::int64_t>::min()},
  };
  for (const auto& [text, expected] : cases)
    EXPECT_EQ(LeadingNumber(text), expected) << text;
}

TEST(TextRules, WithSignBlank) {
  EXPECT_EQ(WithSignBlank(0), " 0");
  EXPECT_EQ(WithSignBlank(2), " 2");
  EXPECT_EQ(WithSignBlank(16), " 16");
  EXPECT_EQ(WithSignBlank(-1), "-1");
}

TEST(TextRules, RemoveAll) {
  EXPECT_EQ(RemoveAll("a--b--c", "--"), "abc");
  EXPECT_EQ(RemoveAll("aaa", "aa"), "a");
  EXPECT_EQ(RemoveAll("Abc", "a"), "Abc");
  EXPECT_EQ(RemoveAll("abc", ""), "abc");
  EXPECT_EQ(RemoveAll("", "x"), "");
}

}  // namespace
}  // namespace quillset
