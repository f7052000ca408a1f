// The five registry operations against the simulated registry: type handling, status numbers,
// malformed values, values that change between the two reads, and no key left open.
#include "inspect/registry_access.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "support/simulated_registry.h"

namespace quillset {
namespace {

using namespace platform;
using namespace std::string_literals;
using testing::SimulatedRegistry;

constexpr const char* kKey = "SOFTWARE\\Quillset Test";

// Forwards to a simulated registry, records open and create calls, and can change the machine
// right after a size query, as another program could between the two reads.
class ObservedRegistry : public RegistryPort {
 public:
  explicit ObservedRegistry(SimulatedRegistry& inner) : inner_(inner) {}

  std::int32_t OpenKey(RegistryKeyHandle root, const std::string& path, std::uint32_t access,
                       RegistryKeyHandle& key) override {
    opened.push_back(path + " " + std::to_string(access));
    return inner_.OpenKey(root, path, access, key);
  }
  std::int32_t CreateKey(RegistryKeyHandle root, const std::string& path, std::uint32_t access,
                         RegistryKeyHandle& key) override {
    opened.push_back("create " + path + " " + std::to_string(access));
    return inner_.CreateKey(root, path, access, key);
  }
  std::int32_t QueryValue(RegistryKeyHandle key, const std::string& name, std::uint32_t& type,
                          char* data, std::uint32_t& size) override {
    const std::int32_t status = inner_.QueryValue(key, name, type, data, size);
    if (data == nullptr && after_size_query)
      after_size_query();
    return status;
  }
  std::int32_t SetValue(RegistryKeyHandle key, const std::string& name, std::uint32_t type,
                        const char* data, std::uint32_t size) override {
    return inner_.SetValue(key, name, type, data, size);
  }
  std::int32_t CloseKey(RegistryKeyHandle key) override { return inner_.CloseKey(key); }

  std::vector<std::string> opened;
  std::function<void()> after_size_query;

 private:
  SimulatedRegistry& inner_;
};

struct StoredValue {
  const char* label;
  std::uint32_t type;
  std::string data;
};

TEST(ReadRegistryText, EveryTypeAndShape) {
  struct Case {
    StoredValue stored;
    std::string expected;
  };
  const Case cases[] = {
      {{"multi", kRegMultiSz, "MSSQLSERVER\0GLOBANA\0\0"s}, "MSSQLSERVER\0GLOBANA\0"s},
      {{"multi without closing NUL", kRegMultiSz, "A\0B\0"s}, "A\0B"s},
      {{"multi with empty entry", kRegMultiSz, "A\0\0B\0\0"s}, "A\0\0B\0"s},
      {{"multi of one byte", kRegMultiSz, "x"}, ""},
      {{"text", kRegSz, "abc\0"s}, "abc"},
      {{"empty text", kRegSz, "\0"s}, ""},
      {{"text stored with 0 bytes", kRegSz, ""}, ""},
      {{"text without NUL loses its last byte", kRegSz, "abc"}, "ab"},
      {{"text with umlauts", kRegSz, "Grüße\0"s}, "Grüße"},
      {{"expand text", kRegExpandSz, "%TEMP%\0"s}, ""},
      {{"dword", kRegDword, "\1\0\0\0"s}, ""},
      {{"binary", kRegBinary, "ab\0"s}, ""},
      {{"none", kRegNone, "ab\0"s}, ""},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.stored.label);
    SimulatedRegistry registry;
    registry.PutValue(kHkeyLocalMachine, kKey, "V", test.stored.type, test.stored.data);
    EXPECT_EQ(ReadRegistryText(registry, kHkeyLocalMachine, kKey, "v"), test.expected);
    EXPECT_EQ(registry.open_handles(), 0);
  }
}

TEST(ReadRegistryText, NothingToReadGivesEmptyText) {
  SimulatedRegistry registry;
  registry.PutString(kHkeyLocalMachine, kKey, "V", "abc");
  registry.PutString(kHkeyLocalMachine, "SOFTWARE\\Locked", "V", "abc");
  registry.DenyAccess(kHkeyLocalMachine, "SOFTWARE\\Locked");
  EXPECT_EQ(ReadRegistryText(registry, kHkeyLocalMachine, kKey, "Other"), "");
  EXPECT_EQ(ReadRegistryText(registry, kHkeyLocalMachine, "SOFTWARE\\Nope", "V"), "");
  EXPECT_EQ(ReadRegistryText(registry, kHkeyLocalMachine, "SOFTWARE\\Locked", "V"), "");
  EXPECT_EQ(ReadRegistryText(registry, kHkeyClassesRoot, kKey, "V"), "");
  EXPECT_EQ(ReadRegistryText(registry, 0x1234, kKey, "V"), "");
  EXPECT_EQ(registry.open_handles(), 0);
}

TEST(ReadRegistryText, LargeValueArrivesWhole) {
  SimulatedRegistry registry;
  std::string big(1 << 20, 'x');
  big.back() = '\0';
  registry.PutValue(kHkeyLocalMachine, kKey, "V", kRegMultiSz, big);
  EXPECT_EQ(ReadRegistryText(registry, kHkeyLocalMachine, kKey, "V"),
            big.substr(0, big.size() - 1));
  EXPECT_EQ(registry.open_handles(), 0);
}

TEST(ReadRegistryText, ValueChangingBetweenTheReads) {
  struct Case {
    const char* label;
    StoredValue replacement;
    std::string expected;
  };
  const Case cases[] = {
      {"grows: read again with the new size",
       {"", kRegMultiSz, "LONGER\0NAMES\0\0"s},
       "LONGER\0NAMES\0"s},
      {"shrinks: what the second read gave", {"", kRegMultiSz, "A\0\0"s}, "A\0"s},
      {"turns into a number", {"", kRegDword, "\1\0\0\0"s}, ""},
      {"shrinks to nothing", {"", kRegSz, ""}, ""},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.label);
    SimulatedRegistry simulated;
    simulated.PutMultiString(kHkeyLocalMachine, kKey, "V", {"ABC"});
    ObservedRegistry registry(simulated);
    bool changed = false;
    registry.after_size_query = [&] {
      if (changed)
        return;
      changed = true;
      simulated.PutValue(kHkeyLocalMachine, kKey, "V", test.replacement.type,
                         test.replacement.data);
    };
    EXPECT_EQ(ReadRegistryText(registry, kHkeyLocalMachine, kKey, "V"), test.expected);
    EXPECT_EQ(simulated.open_handles(), 0);
  }
}

TEST(ReadRegistryValue, EveryTypeAndShape) {
  struct Case {
    StoredValue stored;
    RegistryValue expected;
  };
  const Case cases[] = {
      {{"text", kRegSz, "abc\0"s}, RegistryValue::FromText("abc")},
      {{"empty text", kRegSz, "\0"s}, RegistryValue::FromText("")},
      {{"text with inner NUL kept", kRegSz, "a\0b\0"s}, RegistryValue::FromText("a\0b"s)},
      {{"text without NUL", kRegSz, "abc"}, RegistryValue::FromText("ab")},
      {{"text with umlauts", kRegSz, "Müller\0"s}, RegistryValue::FromText("Müller")},
      {{"text stored with 0 bytes", kRegSz, ""}, RegistryValue()},
      {{"dword", kRegDword, "\x2a\0\0\0"s}, RegistryValue::FromNumber(42)},
      {{"dword all ones", kRegDword, "\xff\xff\xff\xff"s}, RegistryValue::FromNumber(-1)},
      {{"dword of 2 bytes", kRegDword, "\x01\x02"s}, RegistryValue::FromNumber(0x0201)},
      {{"dword of 0 bytes", kRegDword, ""}, RegistryValue::FromNumber(0)},
      {{"dword of 8 bytes", kRegDword, "\1\0\0\0\0\0\0\0"s}, RegistryValue()},
      {{"multi", kRegMultiSz, "A\0\0"s}, RegistryValue()},
      {{"expand", kRegExpandSz, "%T%\0"s}, RegistryValue()},
      {{"binary", kRegBinary, "abc\0"s}, RegistryValue()},
      {{"dword big endian", 5, "\0\0\0\1"s}, RegistryValue()},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.stored.label);
    SimulatedRegistry registry;
    registry.PutValue(kHkeyLocalMachine, kKey, "V", test.stored.type, test.stored.data);
    EXPECT_EQ(ReadRegistryValue(registry, kHkeyLocalMachine, kKey, "V"), test.expected);
    EXPECT_EQ(registry.open_handles(), 0);
  }
}

TEST(ReadRegistryValue, MissingOrDeniedGivesEmpty) {
  SimulatedRegistry registry;
  registry.PutString(kHkeyLocalMachine, "SOFTWARE\\Locked", "V", "abc");
  registry.DenyAccess(kHkeyLocalMachine, "SOFTWARE\\Locked");
  registry.PutKey(kHkeyLocalMachine, kKey);  // a key without values
  EXPECT_TRUE(ReadRegistryValue(registry, kHkeyLocalMachine, kKey, "V").IsEmpty());
  EXPECT_TRUE(ReadRegistryValue(registry, kHkeyLocalMachine, "SOFTWARE\\Nope", "V").IsEmpty());
  EXPECT_TRUE(ReadRegistryValue(registry, kHkeyLocalMachine, "SOFTWARE\\Locked", "V").IsEmpty());
  EXPECT_EQ(registry.open_handles(), 0);
}

TEST(ReadRegistryValue, NamesAndPathsIgnoreLetterCaseAndKeepUmlauts) {
  SimulatedRegistry registry;
  registry.PutString(kHkeyClassesRoot, "Schlüssel\\Ä", "Wert Ö", "ja");
  EXPECT_EQ(ReadRegistryValue(registry, kHkeyClassesRoot, "SCHLüSSEL\\Ä", "wert Ö"), "ja");
  EXPECT_EQ(ReadRegistryValue(registry, kHkeyLocalMachine, "Schlüssel\\Ä", "Wert Ö"), "");
}

TEST(RegistryReads, AskForTheirAccessRights) {
  SimulatedRegistry simulated;
  simulated.PutString(kHkeyLocalMachine, kKey, "V", "abc");
  ObservedRegistry registry(simulated);
  (void)ReadRegistryText(registry, kHkeyLocalMachine, kKey, "V");
  (void)ReadRegistryValue(registry, kHkeyLocalMachine, kKey, "V");
  CreateRegistryKey(registry, kKey, kHkeyLocalMachine);
  EXPECT_EQ(registry.opened,
            (std::vector<std::string>{std::string(kKey) + " 131097", std::string(kKey) + " 1",
                                      "create " + std::string(kKey) + " 131135"}));
}

class OpenKeyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    registry_.PutKey(kHkeyLocalMachine, kKey);
    ASSERT_EQ(key_.Open(kHkeyLocalMachine, kKey, kKeyRead | kKeyWrite), kErrorSuccess);
  }
  SimulatedRegistry registry_;
  RegistryKey key_{registry_};
};

TEST_F(OpenKeyTest, QueryKeyValueStatusesLeaveTheValueAloneOnFailure) {
  struct Case {
    StoredValue stored;  // type kRegNone with label "missing": no value at all
    std::int32_t status;
    RegistryValue expected;  // the out value starts as the text "before"
  };
  const RegistryValue before = RegistryValue::FromText("before");
  const Case cases[] = {
      {{"missing", kRegNone, ""}, kErrorFileNotFound, before},
      {{"binary", kRegBinary, "x"}, kStatusUnhandledType, before},
      {{"multi", kRegMultiSz, "x\0\0"s}, kStatusUnhandledType, before},
      {{"expand", kRegExpandSz, "x\0"s}, kStatusUnhandledType, before},
      {{"text with 0 bytes", kRegSz, ""}, kErrorSuccess, before},
      {{"dword of 8 bytes", kRegDword, "12345678"}, kErrorMoreData, before},
      {{"text", kRegSz, "abc\0"s}, kErrorSuccess, RegistryValue::FromText("abc")},
      {{"dword", kRegDword, "\7\0\0\0"s}, kErrorSuccess, RegistryValue::FromNumber(7)},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.stored.label);
    if (std::string(test.stored.label) == "missing") {
      registry_.DeleteValue(kHkeyLocalMachine, kKey, "V");
    } else {
      registry_.PutValue(kHkeyLocalMachine, kKey, "V", test.stored.type, test.stored.data);
    }
    RegistryValue value = before;
    EXPECT_EQ(QueryKeyValue(key_, "V", value), test.status);
    EXPECT_EQ(value, test.expected);
    EXPECT_TRUE(key_.is_open());  // the caller's key stays open
  }
}

TEST(QueryKeyValue, KeyThatFailedToOpenAnswersInvalidHandle) {
  SimulatedRegistry registry;
  RegistryKey key(registry);
  EXPECT_EQ(key.Open(kHkeyLocalMachine, "SOFTWARE\\Nope", kKeyRead), kErrorFileNotFound);
  RegistryValue value = RegistryValue::FromNumber(5);
  EXPECT_EQ(QueryKeyValue(key, "V", value), kErrorInvalidHandle);
  EXPECT_EQ(value, RegistryValue::FromNumber(5));
}

TEST(QueryKeyValue, TextGrowingBetweenTheReadsFailsAndEmptiesTheValue) {
  SimulatedRegistry simulated;
  simulated.PutString(kHkeyLocalMachine, kKey, "V", "abc");
  ObservedRegistry registry(simulated);
  registry.after_size_query = [&] {
    simulated.PutString(kHkeyLocalMachine, kKey, "V", "much longer");
  };
  RegistryKey key(registry);
  ASSERT_EQ(key.Open(kHkeyLocalMachine, kKey, kKeyRead), kErrorSuccess);
  RegistryValue value = RegistryValue::FromText("before");
  EXPECT_EQ(QueryKeyValue(key, "V", value), kErrorMoreData);
  EXPECT_TRUE(value.IsEmpty());
}

TEST_F(OpenKeyTest, SetKeyValueWritesTextWithNulAndNumbersAsFourBytes) {
  struct Case {
    const char* label;
    std::uint32_t type;
    RegistryValue value;
    std::optional<SimulatedRegistry::Value> stored;
  };
  const Case cases[] = {
      {"one letter", kRegSz, RegistryValue::FromText("K"), {{kRegSz, "K\0"s}}},
      {"empty text", kRegSz, RegistryValue(), {{kRegSz, "\0"s}}},
      {"umlaut", kRegSz, RegistryValue::FromText("Grüß"), {{kRegSz, "Grüß\0"s}}},
      {"number as text", kRegSz, RegistryValue::FromNumber(-12), {{kRegSz, "-12\0"s}}},
      {"number", kRegDword, RegistryValue::FromNumber(0x01020304), {{kRegDword, "\4\3\2\1"s}}},
      {"text as number", kRegDword, RegistryValue::FromText("12abc"), {{kRegDword, "\x0c\0\0\0"s}}},
      {"binary writes nothing", kRegBinary, RegistryValue::FromText("x"), std::nullopt},
      {"multi writes nothing", kRegMultiSz, RegistryValue::FromText("x"), std::nullopt},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.label);
    registry_.DeleteValue(kHkeyLocalMachine, kKey, "V");
    EXPECT_EQ(SetKeyValue(key_, "V", test.type, test.value), kErrorSuccess);
    EXPECT_EQ(registry_.GetValue(kHkeyLocalMachine, kKey, "V"), test.stored);
  }
}

TEST(SetKeyValue, ReportsTheStatusOfTheWrite) {
  SimulatedRegistry registry;
  registry.PutKey(kHkeyLocalMachine, kKey);
  RegistryKey read_only(registry);
  ASSERT_EQ(read_only.Open(kHkeyLocalMachine, kKey, kKeyQueryValue), kErrorSuccess);
  EXPECT_EQ(SetKeyValue(read_only, "V", kRegSz, RegistryValue::FromText("x")), kErrorAccessDenied);
  RegistryKey closed(registry);
  EXPECT_EQ(SetKeyValue(closed, "V", kRegDword, RegistryValue::FromNumber(1)), kErrorInvalidHandle);
  EXPECT_FALSE(registry.GetValue(kHkeyLocalMachine, kKey, "V").has_value());
}

TEST(CreateRegistryKey, CreatesOrKeepsAndClosesTheKey) {
  SimulatedRegistry registry;
  CreateRegistryKey(registry, "SOFTWARE\\Microsoft\\MSSQLSERVER\\Client\\ConnectTo",
                    kHkeyLocalMachine);
  EXPECT_TRUE(
      registry.HasKey(kHkeyLocalMachine, "SOFTWARE\\Microsoft\\MSSQLSERVER\\Client\\ConnectTo"));
  registry.PutString(kHkeyLocalMachine, kKey, "Kept", "1");
  CreateRegistryKey(registry, kKey, kHkeyLocalMachine);
  EXPECT_EQ(registry.GetValue(kHkeyLocalMachine, kKey, "Kept"),
            (SimulatedRegistry::Value{kRegSz, "1\0"s}));
  registry.DenyAccess(kHkeyLocalMachine, kKey);
  CreateRegistryKey(registry, kKey, kHkeyLocalMachine);  // denied: nothing reported, no crash
  EXPECT_EQ(registry.open_handles(), 0);
}

TEST(RegistryValue, TextAndNumberForms) {
  EXPECT_EQ(RegistryValue().ToText(), "");
  EXPECT_EQ(RegistryValue().ToNumber(), 0);
  EXPECT_EQ(RegistryValue::FromNumber(-7).ToText(), "-7");
  EXPECT_EQ(RegistryValue::FromText(" 12x").ToNumber(), 12);
  EXPECT_EQ(RegistryValue::FromText("99999999999").ToNumber(), 2147483647);
  EXPECT_EQ(RegistryValue::FromText("-99999999999").ToNumber(), -2147483647 - 1);
  EXPECT_TRUE(RegistryValue() == "");
  EXPECT_TRUE(RegistryValue::FromText("") == "");
  EXPECT_FALSE(RegistryValue::FromNumber(0) == "");
  EXPECT_TRUE(RegistryValue::FromNumber(0) == "0");
  EXPECT_FALSE(RegistryValue() == RegistryValue::FromText(""));  // states differ
}

}  // namespace
}  // namespace quillset
