#include "setup_command_line.h"

namespace quillset::standin {

namespace {

bool IsBlank(wchar_t c) {
  return c == L' ' || c == L'\t';
}

wchar_t FoldCase(wchar_t c) {
  return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

bool SameName(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size())
    return false;
  for (std::size_t at = 0; at < a.size(); ++at) {
    if (FoldCase(a[at]) != FoldCase(b[at]))
      return false;
  }
  return true;
}

bool StartsWithName(std::wstring_view token, std::wstring_view name) {
  return token.size() >= name.size() && SameName(token.substr(0, name.size()), name);
}

}  // namespace

std::vector<std::wstring> SplitCommandLine(std::wstring_view line) {
  std::vector<std::wstring> tokens;
  std::wstring token;
  bool in_token = false;
  bool quoted = false;
  for (const wchar_t c : line) {
    if (c == L'"') {
      quoted = !quoted;
      in_token = true;  // "" is an empty token of its own
    } else if (IsBlank(c) && !quoted) {
      if (in_token)
        tokens.push_back(token);
      token.clear();
      in_token = false;
    } else {
      token += c;
      in_token = true;
    }
  }
  if (in_token)
    tokens.push_back(token);
  return tokens;
}

SetupCommandLine ParseSetupCommandLine(std::wstring_view line) {
  SetupCommandLine parsed;
  const std::vector<std::wstring> tokens = SplitCommandLine(line);
  if (tokens.empty())
    return parsed;
  parsed.program = tokens.front();

  struct Switch {
    std::wstring_view name;
    std::wstring SetupCommandLine::*value;
  };
  const Switch switches[] = {{L"/lv", &SetupCommandLine::log_path},
                             {L"/settings", &SetupCommandLine::settings_path},
                             {L"/i", &SetupCommandLine::package_path}};
  const Switch properties[] = {{L"INSTANCENAME=", &SetupCommandLine::instance_name},
                               {L"TARGETDIR=", &SetupCommandLine::target_folder}};

  for (std::size_t at = 1; at < tokens.size(); ++at) {
    const std::wstring& token = tokens[at];
    bool known = false;
    for (const Switch& option : switches) {
      if (!SameName(token, option.name))
        continue;
      known = true;
      const bool has_value = at + 1 < tokens.size() && !tokens[at + 1].starts_with(L'/');
      if (has_value) {
        parsed.*option.value = tokens[++at];
      } else {
        (parsed.*option.value).clear();
        parsed.missing_values.push_back(token);
      }
    }
    for (const Switch& property : properties) {
      if (!StartsWithName(token, property.name))
        continue;
      known = true;
      parsed.*property.value = token.substr(property.name.size());
      if ((parsed.*property.value).empty())
        parsed.missing_values.push_back(token);
    }
    if (SameName(token, L"/wait")) {
      known = true;
      parsed.wait = true;
    }
    if (!known)
      parsed.unknown.push_back(token);
  }
  return parsed;
}

}  // namespace quillset::standin
