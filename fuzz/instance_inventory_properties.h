// The InstalledInstances walk and the registry reads beneath it, on a value of fuzzed type and
// bytes. Input: type (1 byte), control (1 byte), second type (1 byte), the value's bytes (16-bit
// length, then the bytes), the rest: a name to ask about and the second value's bytes.
// Control bit 0 changes the value between the size query and the read (after as many queries as
// bits 1-2 say; bit 3 deletes it instead), as another program writing the registry would.
// Properties:
// - the walk gives the NUL-ended pieces of the text in slots 1 to 16, nothing else;
// - ReadRegistryText gives the data of a REG_SZ or REG_MULTI_SZ value less its last byte, "" for
//   any other value; a value changed meanwhile gives the old or the new answer, or "";
// - ReadRegistryValue gives a REG_SZ value's text, a REG_DWORD's number, empty for the rest;
// - GetInstalledInstances, CountInstalledInstances and IsInstanceNameFree agree with the walk;
// - no key stays open.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "inspect/instance_inventory.h"
#include "inspect/registry_access.h"
#include "inspect/text_rules.h"
#include "support/simulated_registry.h"

namespace quillset::fuzz::instance_inventory {

using quillset::InstanceList;
using quillset::RegistryValue;
using quillset::testing::SimulatedRegistry;
namespace platform = quillset::platform;

constexpr const char* kKeyPath = "SOFTWARE\\Microsoft\\Microsoft SQL Server";
constexpr const char* kValueName = "InstalledInstances";

struct StoredValue {
  std::uint32_t type = 0;
  std::string data;
};

// The raw text ReadRegistryText should give for a stored value.
inline std::string ExpectedRawText(const std::optional<StoredValue>& value) {
  if (!value || (value->type != platform::kRegSz && value->type != platform::kRegMultiSz) ||
      value->data.empty()) {
    return {};
  }
  return value->data.substr(0, value->data.size() - 1);
}

inline RegistryValue ExpectedValue(const std::optional<StoredValue>& value) {
  if (!value)
    return {};
  if (value->type == platform::kRegSz) {
    if (value->data.empty())
      return {};
    return RegistryValue::FromText(value->data.substr(0, value->data.size() - 1));
  }
  if (value->type == platform::kRegDword && value->data.size() <= 4) {
    std::uint32_t bits = 0;
    for (std::size_t at = 0; at < value->data.size(); ++at)
      bits |= static_cast<std::uint32_t>(static_cast<unsigned char>(value->data[at])) << (8 * at);
    return RegistryValue::FromNumber(static_cast<std::int32_t>(bits));
  }
  return {};
}

// The walk written the other way round: the NUL-ended pieces of the text.
inline InstanceList ExpectedList(const std::string& raw) {
  InstanceList list{};
  std::size_t from = 0;
  for (int slot = 1; slot <= 16; ++slot) {
    const std::size_t nul = raw.find('\0', from);
    if (nul == std::string::npos)
      break;
    list[static_cast<std::size_t>(slot)] = raw.substr(from, nul - from);
    from = nul + 1;
  }
  return list;
}

inline bool ExpectedFree(const InstanceList& list, const std::string& name) {
  for (int slot = 1; slot <= 16; ++slot) {
    const std::string& entry = list[static_cast<std::size_t>(slot)];
    const std::size_t first = entry.find_first_not_of(' ');
    const std::string trimmed = first == std::string::npos
                                    ? ""
                                    : entry.substr(first, entry.find_last_not_of(' ') - first + 1);
    if (trimmed == name)
      return false;
  }
  return true;
}

// Passes every call on to the simulated registry; before query number `change_at` it replaces or
// deletes the value.
class ChangingRegistry : public platform::RegistryPort {
 public:
  ChangingRegistry(SimulatedRegistry& registry, int change_at, std::optional<StoredValue> next)
      : registry_(registry), change_at_(change_at), next_(std::move(next)) {}

  std::int32_t OpenKey(platform::RegistryKeyHandle root, const std::string& path,
                       std::uint32_t access, platform::RegistryKeyHandle& key) override {
    return registry_.OpenKey(root, path, access, key);
  }
  std::int32_t CreateKey(platform::RegistryKeyHandle root, const std::string& path,
                         std::uint32_t access, platform::RegistryKeyHandle& key) override {
    return registry_.CreateKey(root, path, access, key);
  }
  std::int32_t QueryValue(platform::RegistryKeyHandle key, const std::string& name,
                          std::uint32_t& type, char* data, std::uint32_t& size) override {
    if (queries_++ == change_at_) {
      if (next_) {
        registry_.PutValue(platform::kHkeyLocalMachine, kKeyPath, kValueName, next_->type,
                           next_->data);
      } else {
        registry_.DeleteValue(platform::kHkeyLocalMachine, kKeyPath, kValueName);
      }
    }
    return registry_.QueryValue(key, name, type, data, size);
  }
  std::int32_t SetValue(platform::RegistryKeyHandle key, const std::string& name,
                        std::uint32_t type, const char* data, std::uint32_t size) override {
    return registry_.SetValue(key, name, type, data, size);
  }
  std::int32_t CloseKey(platform::RegistryKeyHandle key) override {
    return registry_.CloseKey(key);
  }

 private:
  SimulatedRegistry& registry_;
  int queries_ = 0;
  int change_at_;
  std::optional<StoredValue> next_;
};

inline void CheckWalk(const std::string& raw) {
  const InstanceList list = quillset::InstanceListFromRegistryText(raw);
  FUZZ_REQUIRE(list == ExpectedList(raw), "slots 1 to 16 hold the NUL-ended pieces, in order");
  FUZZ_REQUIRE(list[0].empty(), "slot 0 stays empty");
}

inline void CheckSteadyValue(const StoredValue& stored, const std::string& name) {
  SimulatedRegistry registry;
  registry.PutValue(platform::kHkeyLocalMachine, kKeyPath, kValueName, stored.type, stored.data);
  const std::string raw = ExpectedRawText(stored);

  FUZZ_REQUIRE(quillset::ReadRegistryText(registry, platform::kHkeyLocalMachine, kKeyPath,
                                          kValueName) == raw,
               "ReadRegistryText: the data less its last byte, or \"\"");
  FUZZ_REQUIRE(quillset::ReadRegistryValue(registry, platform::kHkeyLocalMachine, kKeyPath,
                                           kValueName) == ExpectedValue(stored),
               "ReadRegistryValue: REG_SZ text, REG_DWORD number, otherwise empty");

  const InstanceList expected = ExpectedList(raw);
  FUZZ_REQUIRE(quillset::GetInstalledInstances(registry) == expected,
               "GetInstalledInstances walks the value's text");
  int names = 0;
  for (int slot = 1; slot <= 16; ++slot)
    names += expected[static_cast<std::size_t>(slot)].empty() ? 0 : 1;
  FUZZ_REQUIRE(quillset::CountInstalledInstances(registry) == names,
               "CountInstalledInstances counts the non-empty slots");

  FUZZ_REQUIRE(quillset::IsInstanceNameFree(registry, name) == ExpectedFree(expected, name),
               "IsInstanceNameFree compares with every slot, trimmed");
  for (int slot = 1; slot <= 16; ++slot) {
    const std::string taken = quillset::TrimBlanks(expected[static_cast<std::size_t>(slot)]);
    FUZZ_REQUIRE(!quillset::IsInstanceNameFree(registry, taken), "a listed name is not free");
  }
  FUZZ_REQUIRE(registry.open_handles() == 0, "every key is closed");
}

inline void CheckChangingValue(const StoredValue& first, const std::optional<StoredValue>& second,
                               int change_at) {
  {
    SimulatedRegistry registry;
    registry.PutValue(platform::kHkeyLocalMachine, kKeyPath, kValueName, first.type, first.data);
    ChangingRegistry changing(registry, change_at, second);
    const std::string text =
        quillset::ReadRegistryText(changing, platform::kHkeyLocalMachine, kKeyPath, kValueName);
    FUZZ_REQUIRE(text.empty() || text == ExpectedRawText(first) || text == ExpectedRawText(second),
                 "a value changed between the reads gives the old or the new text, or \"\"");
    FUZZ_REQUIRE(registry.open_handles() == 0, "the key is closed after a changing read");
  }
  {
    SimulatedRegistry registry;
    registry.PutValue(platform::kHkeyLocalMachine, kKeyPath, kValueName, first.type, first.data);
    ChangingRegistry changing(registry, change_at, second);
    const RegistryValue value =
        quillset::ReadRegistryValue(changing, platform::kHkeyLocalMachine, kKeyPath, kValueName);
    FUZZ_REQUIRE(value.IsEmpty() || value == ExpectedValue(first) || value == ExpectedValue(second),
                 "a value changed between the reads gives the old or the new value, or empty");
    FUZZ_REQUIRE(registry.open_handles() == 0, "the key is closed after a changing read");
  }
}

// Checks one input; a violated property aborts (or goes to the violation handler).
inline void CheckInput(std::string_view bytes) {
  ByteReader input(bytes);
  StoredValue first;
  first.type = input.Byte();
  const std::uint8_t control = input.Byte();
  StoredValue second;
  second.type = input.Byte();
  first.data = input.LengthPrefixed();
  second.data = input.Rest();

  CheckWalk(first.data);
  CheckSteadyValue(first, second.data);
  if ((control & 1) != 0) {
    std::optional<StoredValue> next;
    if ((control & 8) == 0)
      next = second;
    CheckChangingValue(first, next, control >> 1 & 3);
  }
}

}  // namespace quillset::fuzz::instance_inventory
