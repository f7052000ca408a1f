#include "inspect/registry_access.h"

#include <algorithm>
#include <limits>

#include "inspect/text_rules.h"

namespace quillset {

using platform::kErrorSuccess;
using platform::kRegDword;
using platform::kRegMultiSz;
using platform::kRegSz;
using platform::RegistryData;
using platform::RegistryKey;
using platform::RegistryKeyHandle;
using platform::RegistryPort;

namespace {

bool IsListedText(std::uint32_t type) {
  return type == kRegSz || type == kRegMultiSz;
}

// Text less its last character: a whole UTF-8 sequence, so that an umlaut is never cut in half.
std::string WithoutLastCharacter(const std::string& text) {
  std::size_t end = text.size() - 1;
  while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
    --end;
  return text.substr(0, end);
}

std::int32_t NumberFromLittleEndian(const unsigned char (&bytes)[4]) {
  const std::uint32_t bits =
      static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
      static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
  return static_cast<std::int32_t>(bits);
}

}  // namespace

std::string RegistryValue::ToText() const {
  if (const auto* text = std::get_if<std::string>(&value_))
    return *text;
  if (const auto* number = std::get_if<std::int32_t>(&value_))
    return std::to_string(*number);
  return {};
}

std::int32_t RegistryValue::ToNumber() const {
  if (const auto* number = std::get_if<std::int32_t>(&value_))
    return *number;
  if (const auto* text = std::get_if<std::string>(&value_)) {
    const std::int64_t leading = LeadingNumber(*text);
    return static_cast<std::int32_t>(
        std::clamp<std::int64_t>(leading, std::numeric_limits<std::int32_t>::min(),
                                 std::numeric_limits<std::int32_t>::max()));
  }
  return 0;
}

std::string ReadRegistryText(RegistryPort& registry, RegistryKeyHandle root,
                             const std::string& key_path, const std::string& value_name) {
  RegistryKey key(registry);
  if (key.Open(root, key_path, platform::kKeyRead) != kErrorSuccess)
    return {};
  const RegistryData read = registry.ReadValue(key.handle(), value_name);
  if (read.status != kErrorSuccess || !IsListedText(read.type) || read.data.empty())
    return {};
  return WithoutLastCharacter(read.data);
}

RegistryValue ReadRegistryValue(RegistryPort& registry, RegistryKeyHandle root,
                                const std::string& key_path, const std::string& value_name) {
  RegistryValue value;
  RegistryKey key(registry);
  // A key that cannot be opened has no value to ask for.
  if (key.Open(root, key_path, platform::kKeyQueryValue) != kErrorSuccess)
    return value;
  (void)QueryKeyValue(key, value_name, value);
  return value;
}

std::int32_t QueryKeyValue(const RegistryKey& key, const std::string& value_name,
                           RegistryValue& value) {
  const RegistryData read = key.port().ReadValue(key.handle(), value_name);
  if (read.status != kErrorSuccess)
    return read.status;
  if (read.type == kRegSz) {
    // A value stored with 0 bytes has no terminating NUL to cut off: it leaves the value as it was.
    if (!read.data.empty())
      value = RegistryValue::FromText(WithoutLastCharacter(read.data));
    return kErrorSuccess;
  }
  if (read.type == kRegDword) {
    // A number is 4 bytes; more does not fit, fewer are the low bytes.
    if (read.data.size() > 4)
      return platform::kErrorMoreData;
    unsigned char bytes[4] = {0, 0, 0, 0};
    std::copy(read.data.begin(), read.data.end(), bytes);
    value = RegistryValue::FromNumber(NumberFromLittleEndian(bytes));
    return kErrorSuccess;
  }
  return kStatusUnhandledType;
}

std::int32_t SetKeyValue(const RegistryKey& key, const std::string& value_name,
                         std::uint32_t value_type, const RegistryValue& value) {
  RegistryPort& registry = key.port();
  if (value_type == kRegSz) {
    // The terminating NUL is part of the data.
    return registry.WriteValue(key.handle(), value_name, kRegSz, value.ToText() + '\0');
  }
  if (value_type == kRegDword) {
    const std::uint32_t bits = static_cast<std::uint32_t>(value.ToNumber());
    const char bytes[4] = {static_cast<char>(bits & 0xFF), static_cast<char>(bits >> 8 & 0xFF),
                           static_cast<char>(bits >> 16 & 0xFF),
                           static_cast<char>(bits >> 24 & 0xFF)};
    return registry.WriteValue(key.handle(), value_name, kRegDword,
                               std::string(bytes, sizeof bytes));
  }
  return kErrorSuccess;
}

std::int32_t CreateRegistryKey(RegistryPort& registry, const std::string& key_path,
                               RegistryKeyHandle root) {
  RegistryKey key(registry);
  return key.Create(root, key_path, platform::kKeyReadWriteCreateLink);
}

}  // namespace quillset
