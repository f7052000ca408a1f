#include "inspect/registry_access.h"

#include <algorithm>
#include <limits>

#include "inspect/text_rules.h"

namespace quillset {

using platform::kErrorSuccess;
using platform::kRegDword;
using platform::kRegMultiSz;
using platform::kRegSz;
using platform::RegistryKey;
using platform::RegistryKeyHandle;
using platform::RegistryPort;

namespace {

bool IsListedText(std::uint32_t type) {
  return type == kRegSz || type == kRegMultiSz;
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

  std::uint32_t type = 0;
  std::uint32_t size = 0;
  if (registry.QueryValue(key.handle(), value_name, type, nullptr, size) != kErrorSuccess)
    return {};
  if (!IsListedText(type) || size == 0)
    return {};

  // One byte more than asked for, so the buffer always ends in a NUL of its own.
  std::string buffer(static_cast<std::size_t>(size) + 1, '\0');
  std::uint32_t read_type = 0;
  std::uint32_t read_size = size;
  // The value may have changed between the two reads (a value that grew answers kErrorMoreData):
  // only what this read wrote counts.
  if (registry.QueryValue(key.handle(), value_name, read_type, buffer.data(), read_size) !=
          kErrorSuccess ||
      !IsListedText(read_type) || read_size == 0)
    return {};
  return buffer.substr(0, std::min<std::size_t>(read_size, size) - 1);
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
  RegistryPort& registry = key.port();
  std::uint32_t type = 0;
  std::uint32_t size = 0;
  const std::int32_t asked = registry.QueryValue(key.handle(), value_name, type, nullptr, size);
  if (asked != kErrorSuccess)
    return asked;

  if (type == kRegSz) {
    std::string buffer(size, '\0');
    std::uint32_t read_type = 0;
    std::uint32_t read_size = size;
    const std::int32_t status =
        registry.QueryValue(key.handle(), value_name, read_type, buffer.data(), read_size);
    if (status != kErrorSuccess) {
      value = RegistryValue();
      return status;
    }
    // A value stored with 0 bytes has no terminating NUL to cut off, and one that turned into
    // another type between the reads is no text: both leave the value as it was.
    if (read_type != kRegSz || read_size == 0 || read_size > size)
      return status;
    value = RegistryValue::FromText(buffer.substr(0, read_size - 1));
    return status;
  }

  if (type == kRegDword) {
    unsigned char bytes[4] = {0, 0, 0, 0};
    std::uint32_t read_type = 0;
    std::uint32_t read_size = sizeof bytes;
    const std::int32_t status = registry.QueryValue(key.handle(), value_name, read_type,
                                                    reinterpret_cast<char*>(bytes), read_size);
    if (status == kErrorSuccess && read_type == kRegDword) {
      value = RegistryValue::FromNumber(NumberFromLittleEndian(bytes));
    }
    return status;
  }

  return kStatusUnhandledType;
}

std::int32_t SetKeyValue(const RegistryKey& key, const std::string& value_name,
                         std::uint32_t value_type, const RegistryValue& value) {
  RegistryPort& registry = key.port();
  if (value_type == kRegSz) {
    const std::string text = value.ToText();
    // c_str() carries the terminating NUL, which is part of the data.
    return registry.SetValue(key.handle(), value_name, kRegSz, text.c_str(),
                             static_cast<std::uint32_t>(text.size() + 1));
  }
  if (value_type == kRegDword) {
    const std::uint32_t bits = static_cast<std::uint32_t>(value.ToNumber());
    const char bytes[4] = {static_cast<char>(bits & 0xFF), static_cast<char>(bits >> 8 & 0xFF),
                           static_cast<char>(bits >> 16 & 0xFF),
                           static_cast<char>(bits >> 24 & 0xFF)};
    return registry.SetValue(key.handle(), value_name, kRegDword, bytes, sizeof bytes);
  }
  return kErrorSuccess;
}

std::int32_t CreateRegistryKey(RegistryPort& registry, const std::string& key_path,
                               RegistryKeyHandle root) {
  RegistryKey key(registry);
  return key.Create(root, key_path, platform::kKeyReadWriteCreateLink);
}

}  // namespace quillset
