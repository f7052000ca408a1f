#include "app/command_line.h"

#include <utility>

#include "inspect/instance_name_rule.h"
#include "inspect/text_rules.h"

namespace quillset {

namespace {

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

bool LooksLikeSwitch(const std::string& argument) {
  return !argument.empty() && (argument[0] == '/' || argument[0] == '-');
}

// The switch's name in lower case without its "/" or "-"; "" for an argument that is no switch.
std::string SwitchName(const std::string& argument) {
  if (!LooksLikeSwitch(argument))
    return "";
  std::string name = argument.substr(1);
  for (char& c : name)
    c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
  return name;
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view line) {
  std::vector<std::string> arguments(1);
  std::size_t at = 0;
  if (!line.empty() && line[0] == '"') {
    const std::size_t end = line.find('"', 1);
    arguments[0] = line.substr(1, end == std::string_view::npos ? end : end - 1);
    at = end == std::string_view::npos ? line.size() : end + 1;
  } else {
    while (at < line.size() && !IsBlank(line[at]))
      arguments[0] += line[at++];
  }
  bool in_argument = false, in_quotes = false;
  while (at < line.size()) {
    if (IsBlank(line[at]) && !in_quotes) {
      in_argument = false;
      ++at;
      continue;
    }
    if (!in_argument)
      arguments.emplace_back();
    in_argument = true;
    std::string& argument = arguments.back();
    std::size_t backslashes = 0;
    while (at < line.size() && line[at] == '\\')
      ++backslashes, ++at;
    if (at < line.size() && line[at] == '"') {
      argument.append(backslashes / 2, '\\');
      if (backslashes % 2 == 1) {
        argument += '"';
      } else if (in_quotes && at + 1 < line.size() && line[at + 1] == '"') {
        argument += '"';
        ++at;
      } else {
        in_quotes = !in_quotes;
      }
      ++at;
    } else if (backslashes > 0) {
      argument.append(backslashes, '\\');
    } else {
      argument += line[at++];
    }
  }
  return arguments;
}

CommandLine ReadCommandLine(std::string_view line) {
  const std::vector<std::string> arguments = SplitCommandLine(line);
  CommandLine command;
  const auto refuse = [&command](const std::string& argument) {
    if (!command.invalid)
      command.bad_argument = argument;
    command.invalid = true;
  };
  bool seen_quiet = false;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    const std::string name = SwitchName(arguments[i]);
    if (name == "quiet" || name == "qn") {
      if (std::exchange(seen_quiet, true))
        refuse(arguments[i]);
      command.quiet = true;
    } else if (name == "?" || name == "help") {
      if (std::exchange(command.help, true))
        refuse(arguments[i]);
    } else if (name == "log" || name == "instance") {
      const bool has_value = i + 1 < arguments.size() && !arguments[i + 1].empty() &&
                             !LooksLikeSwitch(arguments[i + 1]);
      bool& given = name == "log" ? command.has_log : command.has_instance;
      if (!has_value || std::exchange(given, true)) {
        refuse(arguments[i]);
        continue;
      }
      const std::string& value = arguments[++i];
      if (name == "log") {
        command.log_path = value;
      } else {
        command.instance = ToUpperCase(value);
        if (!IsValidInstanceName(command.instance))
          refuse(value);
      }
    } else {
      refuse(arguments[i]);
    }
  }
  return command;
}

}  // namespace quillset
