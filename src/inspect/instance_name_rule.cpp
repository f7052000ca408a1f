#include "inspect/instance_name_rule.h"

#include <cstddef>

#include "inspect/text_rules.h"

namespace quillset {

namespace {

constexpr std::size_t kMaxInstanceNameLength = 16;

bool IsAllowedFirst(char c) {
  return IsAsciiLetter(c) || c == '_' || c == '&' || c == '#';
}

}  // namespace

bool IsInstanceNameCharacter(char c) {
  return IsAllowedFirst(c) || IsAsciiDigit(c);
}

bool IsValidInstanceName(const std::string& name) {
  if (name.empty() || name.size() > kMaxInstanceNameLength)
    return false;
  if (!IsAllowedFirst(name.front()))
    return false;
  for (std::size_t i = 1; i < name.size(); ++i) {
    if (!IsInstanceNameCharacter(name[i]) && name[i] != '$')
      return false;
  }
  // Reserved by SQL Server for the default instance.
  const std::string upper = ToUpperCase(name);
  return upper != "DEFAULT" && upper != "MSSQLSERVER";
}

}  // namespace quillset
