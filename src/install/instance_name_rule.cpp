#include "install/instance_name_rule.h"

#include <cstddef>

namespace quillset {

namespace {

constexpr std::size_t kMaxInstanceNameLength = 16;

bool IsAsciiLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool IsAsciiDigit(char c) {
  return c >= '0' && c <= '9';
}

bool IsAllowedFirst(char c) {
  return IsAsciiLetter(c) || c == '_' || c == '&' || c == '#';
}
bool IsAllowedAfterFirst(char c) {
  return IsAllowedFirst(c) || IsAsciiDigit(c) || c == '$';
}

bool EqualsIgnoringCase(const std::string& text, const char* word) {
  std::size_t i = 0;
  for (; word[i] != '\0'; ++i) {
    if (i >= text.size())
      return false;
    char c = text[i];
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
    if (c != word[i])
      return false;
  }
  return i == text.size();
}

}  // namespace

bool IsValidInstanceName(const std::string& name) {
  if (name.empty() || name.size() > kMaxInstanceNameLength)
    return false;
  if (!IsAllowedFirst(name.front()))
    return false;
  for (std::size_t i = 1; i < name.size(); ++i) {
    if (!IsAllowedAfterFirst(name[i]))
      return false;
  }
  // Reserved by SQL Server for the default instance.
  return !EqualsIgnoringCase(name, "DEFAULT") && !EqualsIgnoringCase(name, "MSSQLSERVER");
}

}  // namespace quillset
