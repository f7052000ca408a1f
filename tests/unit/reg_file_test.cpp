// The .reg parser that arranges fixture machines: every form regedit writes, and the malformed
// input it must refuse with the line number.
#include "support/reg_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>

namespace quillset::testing {
namespace {

using platform::kHkeyClassesRoot;
using platform::kHkeyCurrentUser;
using platform::kHkeyLocalMachine;
using namespace std::string_literals;

constexpr const char* kV5 = "Windows Registry Editor Version 5.00\r\n\r\n";
constexpr const char* kV4 = "REGEDIT4\n\n";

RegOperation SetValue(platform::RegistryKeyHandle root, std::string path, std::string name,
                      std::uint32_t type, std::string data, int line) {
  return {RegOperationKind::SetValue,
          root,
          std::move(path),
          std::move(name),
          type,
          std::move(data),
          line};
}

RegOperation Key(RegOperationKind kind, platform::RegistryKeyHandle root, std::string path,
                 int line) {
  return {kind, root, std::move(path), "", platform::kRegNone, "", line};
}

struct ValueCase {
  const char* label;
  std::string header;
  std::string value_lines;  // below [HKEY_LOCAL_MACHINE\K] on line 3 (Version 5) / 3 (REGEDIT4)
  std::uint32_t type;
  std::string data;
  std::string name = "v";
};

TEST(ParseRegText, ValueForms) {
  const ValueCase cases[] = {
      {"text", kV5, "\"v\"=\"abc\"", 1, "abc\0"s},
      {"escapes in text", kV5, R"("v"="a\\b\"c")", 1, "a\\b\"c\0"s},
      {"escapes in name", kV5, R"("x\\y\"z"="1")", 1, "1\0"s, "x\\y\"z"},
      {"umlaut text stays UTF-8", kV5, "\"v\"=\"Grüße\"", 1, "Grüße\0"s},
      {"default value", kV5, "@=\"d\"", 1, "d\0"s, ""},
      {"blanks around =", kV5, "\"v\" = \"abc\"  ", 1, "abc\0"s},
      {"empty text", kV5, "\"v\"=\"\"", 1, "\0"s},
      {"dword", kV5, "\"v\"=dword:0000002a", 4, "\x2a\0\0\0"s},
      {"dword upper case", kV5, "\"v\"=dword:DEADBEEF", 4, "\xef\xbe\xad\xde"s},
      {"dword short", kV5, "\"v\"=dword:7", 4, "\x07\0\0\0"s},
      {"binary", kV5, "\"v\"=hex:00,ff,10", 3, "\0\xff\x10"s},
      {"binary empty", kV5, "\"v\"=hex:", 3, ""},
      {"binary continued", kV5, "\"v\"=hex:01,02,\\\n  03,\\\r\n  04", 3, "\x01\x02\x03\x04"s},
      {"hex(0) none", kV5, "\"v\"=hex(0):01", 0, "\x01"s},
      {"hex(b) qword", kV5, "\"v\"=hex(b):01,00,00,00,00,00,00,00", 11, "\x01\0\0\0\0\0\0\0"s},
      {"hex(4) as bytes", kV5, "\"v\"=hex(4):01,02", 4, "\x01\x02"s},
      {"hex(2) UTF-16LE", kV5, "\"v\"=hex(2):25,00,54,00,25,00,00,00", 2, "%T%\0"s},
      {"hex(7) UTF-16LE with umlaut", kV5, "\"v\"=hex(7):41,00,00,00,fc,00,00,00,00,00", 7,
       "A\0\xc3\xbc\0\0"s},
      {"hex(7) surrogate pair", kV5, "\"v\"=hex(7):3d,d8,00,de,00,00", 7, "\xf0\x9f\x98\x80\0"s},
      {"hex(1) UTF-16LE", kV5, "\"v\"=hex(1):62,00,00,00", 1, "b\0"s},
      {"hex(7) Windows-1252", kV4, "\"v\"=hex(7):4b,dc,00,80,00,00", 7,
       "K\xc3\x9c\0\xe2\x82\xac\0\0"s},
      {"hex(2) Windows-1252 undefined byte", kV4, "\"v\"=hex(2):81,00", 2, "\xc2\x81\0"s},
      {"REGEDIT4 text", kV4, "\"v\"=\"x\"", 1, "x\0"s},
  };
  for (const ValueCase& test : cases) {
    SCOPED_TRACE(test.label);
    const std::string text = test.header + "[HKEY_LOCAL_MACHINE\\K]\n" + test.value_lines + "\n";
    const std::vector<RegOperation> operations = ParseRegText(text);
    ASSERT_EQ(operations.size(), 2u);
    EXPECT_EQ(operations[0], Key(RegOperationKind::CreateKey, kHkeyLocalMachine, "K", 3));
    EXPECT_EQ(operations[1], SetValue(kHkeyLocalMachine, "K", test.name, test.type, test.data, 4));
  }
}

TEST(ParseRegText, KeysRootsDeletionsAndLineNumbers) {
  const std::string text =
      "\xEF\xBB\xBF"
      "REGEDIT4\r\n"                              // 1
      "; a comment\r\n"                           // 2
      "\r\n"                                      // 3
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\A]\r\n"     // 4
      "\"n\"=-\r\n"                               // 5
      "  ; indented comment\r\n"                  // 6
      "[HKLM\\B\\]\r\n"                           // 7
      "[HKEY_CLASSES_ROOT\\Installer]\r\n"        // 8
      "[HKCR\\X]\r\n"                             // 9
      "[HKEY_CURRENT_USER\\Software\\q]\r\n"      // 10
      "[hkcu\\lower]\r\n"                         // 11
      "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Old]\r\n"  // 12
      "[HKEY_LOCAL_MACHINE]\r\n"                  // 13
      "@=-\r\n";                                  // 14
  const std::vector<RegOperation> expected = {
      Key(RegOperationKind::CreateKey, kHkeyLocalMachine, "SOFTWARE\\A", 4),
      {RegOperationKind::DeleteValue, kHkeyLocalMachine, "SOFTWARE\\A", "n", 0, "", 5},
      Key(RegOperationKind::CreateKey, kHkeyLocalMachine, "B", 7),
      Key(RegOperationKind::CreateKey, kHkeyClassesRoot, "Installer", 8),
      Key(RegOperationKind::CreateKey, kHkeyClassesRoot, "X", 9),
      Key(RegOperationKind::CreateKey, kHkeyCurrentUser, "Software\\q", 10),
      Key(RegOperationKind::CreateKey, kHkeyCurrentUser, "lower", 11),
      Key(RegOperationKind::DeleteKey, kHkeyLocalMachine, "SOFTWARE\\Old", 12),
      Key(RegOperationKind::CreateKey, kHkeyLocalMachine, "", 13),
      {RegOperationKind::DeleteValue, kHkeyLocalMachine, "", "", 0, "", 14},
  };
  EXPECT_EQ(ParseRegText(text), expected);
}

TEST(ParseRegText, ContinuedValueKeepsItsFirstLineAndTheNextValueCountsOn) {
  const std::string text = std::string(kV5) +
                           "[HKLM\\K]\n"              // 3
                           "\"a\"=hex:01,\\\n"        // 4
                           "  02,\\\n"                // 5
                           "  03\n"                   // 6
                           "\"b\"=dword:00000001\n";  // 7
  const std::vector<RegOperation> operations = ParseRegText(text);
  ASSERT_EQ(operations.size(), 3u);
  EXPECT_EQ(operations[1], SetValue(kHkeyLocalMachine, "K", "a", 3, "\x01\x02\x03"s, 4));
  EXPECT_EQ(operations[2].line, 7);
}

TEST(ParseRegText, MalformedInputNamesTheLine) {
  struct Bad {
    const char* label;
    std::string text;
    int line;
  };
  const std::string key = "[HKLM\\K]\n";  // line 3 below a Version 5 header
  const Bad cases[] = {
      {"empty", "", 1},
      {"no header", "[HKLM\\K]\n", 1},
      {"wrong header", "Windows Registry Editor Version 4.00\n", 1},
      {"value before key", std::string(kV5) + "\"v\"=\"x\"\n", 3},
      {"value under deleted key", std::string(kV5) + "[-HKLM\\K]\n\"v\"=\"x\"\n", 4},
      {"unknown root", std::string(kV5) + "[HKEY_USERS\\x]\n", 3},
      {"delete root", std::string(kV5) + "[-HKLM]\n", 3},
      {"missing bracket", std::string(kV5) + "[HKLM\\K\n", 3},
      {"stray text", std::string(kV5) + key + "junk\n", 4},
      {"no equals", std::string(kV5) + key + "\"v\" \"x\"\n", 4},
      {"no data", std::string(kV5) + key + "\"v\"=\n", 4},
      {"unclosed quote", std::string(kV5) + key + "\"v\"=\"abc\n", 4},
      {"unclosed name", std::string(kV5) + key + "\"v=\"abc\"\n", 4},
      {"unknown escape", std::string(kV5) + key + "\"v\"=\"a\\nb\"\n", 4},
      {"text after quote", std::string(kV5) + key + "\"v\"=\"a\"b\n", 4},
      {"dword too long", std::string(kV5) + key + "\"v\"=dword:123456789\n", 4},
      {"dword not hex", std::string(kV5) + key + "\"v\"=dword:12g4\n", 4},
      {"dword empty", std::string(kV5) + key + "\"v\"=dword:\n", 4},
      {"bad byte", std::string(kV5) + key + "\"v\"=hex:0g\n", 4},
      {"three digit byte", std::string(kV5) + key + "\"v\"=hex:100\n", 4},
      {"empty byte", std::string(kV5) + key + "\"v\"=hex:01,,02\n", 4},
      {"hex type unclosed", std::string(kV5) + key + "\"v\"=hex(7:00\n", 4},
      {"hex type bad", std::string(kV5) + key + "\"v\"=hex(z):00\n", 4},
      {"hex no colon", std::string(kV5) + key + "\"v\"=hex 00\n", 4},
      {"odd UTF-16", std::string(kV5) + key + "\"v\"=hex(7):41,00,00\n", 4},
      {"lone surrogate", std::string(kV5) + key + "\"v\"=hex(2):00,d8,00,00\n", 4},
      {"continuation at end", std::string(kV5) + key + "\"v\"=hex:01,\\", 4},
      {"unknown data", std::string(kV5) + key + "\"v\"=qword:1\n", 4},
  };
  for (const Bad& test : cases) {
    SCOPED_TRACE(test.label);
    try {
      ParseRegText(test.text);
      ADD_FAILURE() << "accepted";
    } catch (const std::invalid_argument& error) {
      EXPECT_EQ(std::string(error.what()).rfind("line " + std::to_string(test.line) + ": ", 0), 0u)
          << error.what();
    }
  }
}

class RegFileOnDisk : public ::testing::Test {
 protected:
  std::string Write(const std::string& bytes) {
    path_ = ::testing::TempDir() + "quillset_reg_file_test.reg";
    std::ofstream(path_, std::ios::binary) << bytes;
    return path_;
  }
  void TearDown() override { std::remove(path_.c_str()); }
  std::string path_;
};

TEST_F(RegFileOnDisk, EncodingsAreReadAsUtf8) {
  EXPECT_EQ(ReadRegFileAsUtf8(Write("\xFF\xFEK\0\xFC\0\r\0\n\0"s)), "K\xc3\xbc\r\n");
  EXPECT_EQ(ReadRegFileAsUtf8(Write("\xEF\xBB\xBF"
                                    "K\xc3\xbc")),
            "K\xc3\xbc");
  EXPECT_EQ(ReadRegFileAsUtf8(Write("K\xc3\xbc")), "K\xc3\xbc");
  EXPECT_EQ(ReadRegFileAsUtf8(Write("K\xfc\x80")), "K\xc3\xbc\xe2\x82\xac");
  EXPECT_THROW(ReadRegFileAsUtf8(Write("\xFF\xFE\x00\xD8"s)), std::invalid_argument);
  EXPECT_THROW(ReadRegFileAsUtf8(::testing::TempDir() + "no/such/file.reg"), std::invalid_argument);
}

TEST(RegFixtures, RegeditFourFileWithAnsiBytes) {
  const std::vector<RegOperation> operations =
      ParseRegText(ReadRegFileAsUtf8(QUILLSET_FIXTURE_DIR "/machine_regedit4_ansi.reg"));
  ASSERT_EQ(operations.size(), 4u);
  EXPECT_EQ(operations[1].data,
            "K\xc3\x9c"
            "CHE\0GLOBANA\0\0"s);
  EXPECT_EQ(operations[3].data,
            "K\xc3\x9c"
            "CHE\0"s);
}

TEST(MultiSzEntries, EntriesInOrderWithoutEmptyOnes) {
  EXPECT_EQ(MultiSzEntries("GLOBANA\0KORA\0\0"s), (std::vector<std::string>{"GLOBANA", "KORA"}));
  EXPECT_EQ(MultiSzEntries("\0A B\0\0\0C"s), (std::vector<std::string>{"A B", "C"}));
  EXPECT_EQ(MultiSzEntries(""), std::vector<std::string>{});
  EXPECT_EQ(MultiSzEntries("\0\0"s), std::vector<std::string>{});
}

}  // namespace
}  // namespace quillset::testing
