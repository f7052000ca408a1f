// The five registry operations the assistant uses. They never raise: they return a Windows
// status number or an empty result.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "platform/registry_port.h"

namespace quillset {

// The result of a typed registry read: empty, a text, or a signed 32-bit number.
class RegistryValue {
 public:
  RegistryValue() = default;
  static RegistryValue FromText(std::string text) { return RegistryValue(std::move(text)); }
  static RegistryValue FromNumber(std::int32_t number) { return RegistryValue(number); }

  bool IsEmpty() const { return std::holds_alternative<std::monostate>(value_); }
  bool IsText() const { return std::holds_alternative<std::string>(value_); }
  bool IsNumber() const { return std::holds_alternative<std::int32_t>(value_); }

  // The value as text: "" when empty, the decimal digits of a number.
  std::string ToText() const;
  // The value as a number: 0 when empty, the leading decimal number of a text.
  std::int32_t ToNumber() const;

  // An empty value and the empty text count as equal.
  friend bool operator==(const RegistryValue& value, const std::string& text) {
    return value.ToText() == text;
  }
  friend bool operator==(const RegistryValue&, const RegistryValue&) = default;

 private:
  explicit RegistryValue(std::string text) : value_(std::move(text)) {}
  explicit RegistryValue(std::int32_t number) : value_(number) {}
  std::variant<std::monostate, std::string, std::int32_t> value_;
};

// Status of QueryKeyValue for a value of a type other than REG_SZ or REG_DWORD.
inline constexpr std::int32_t kStatusUnhandledType = -1;

// The raw data of a REG_SZ or REG_MULTI_SZ value less its last character; "" on any failure.
std::string ReadRegistryText(platform::RegistryPort& registry, platform::RegistryKeyHandle root,
                             const std::string& key_path, const std::string& value_name);

// A REG_SZ value's text or a REG_DWORD value's number; empty when the key or value is missing or
// of another type.
RegistryValue ReadRegistryValue(platform::RegistryPort& registry, platform::RegistryKeyHandle root,
                                const std::string& key_path, const std::string& value_name);

// Reads a value of an open key into `value`. Returns the status; `value` is left as it was when
// the value is missing, of an unhandled type (-1), or cannot be formed.
[[nodiscard]] std::int32_t QueryKeyValue(const platform::RegistryKey& key,
                                         const std::string& value_name, RegistryValue& value);

// Writes a REG_SZ (text plus NUL) or REG_DWORD (4 bytes) value into an open key and returns the
// status of the write; any other type writes nothing and returns 0.
[[nodiscard]] std::int32_t SetKeyValue(const platform::RegistryKey& key,
                                       const std::string& value_name, std::uint32_t value_type,
                                       const RegistryValue& value);

// Creates the key (or opens an existing one) with KEY_READ | KEY_WRITE | KEY_CREATE_LINK, closes it
// again and returns the status of the creation.
[[nodiscard]] std::int32_t CreateRegistryKey(platform::RegistryPort& registry,
                                             const std::string& key_path,
                                             platform::RegistryKeyHandle root);

}  // namespace quillset
