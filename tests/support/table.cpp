#include "support/table.h"

#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <regex>
#include <stdexcept>

namespace quillset::testing {

std::vector<std::string> Row::All(std::string_view key) const {
  std::vector<std::string> values;
  for (const auto& [name, value] : fields)
    if (name == key)
      values.push_back(Unescape(value));
  return values;
}

std::string Row::One(std::string_view key, const std::string& otherwise) const {
  const std::vector<std::string> values = All(key);
  return values.empty() ? otherwise : values.front();
}

std::vector<Row> ReadTable(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file)
    throw std::runtime_error("cannot read " + path);
  std::vector<Row> rows;
  for (std::string line; std::getline(file, line);) {
    if (!line.empty() && line.back() == '\r')
      line.pop_back();
    if (line.empty() || line[0] == '#')
      continue;
    if (line[0] == '[') {
      rows.push_back(Row{line.substr(1, line.find(']') - 1), {}});
      continue;
    }
    const std::size_t colon = line.find(':');
    if (rows.empty() || colon == std::string::npos)
      throw std::runtime_error(path + ": not a field: " + line);
    // One blank follows the colon; any further blanks belong to the value.
    const std::size_t value = colon + (line.compare(colon, 2, ": ") == 0 ? 2 : 1);
    rows.back().fields.emplace_back(line.substr(0, colon), line.substr(value));
  }
  return rows;
}

std::vector<Row> MachineRows(std::string_view machine) {
  std::vector<Row> rows = ReadTable(QUILLSET_TABLES "/machines.txt");
  std::erase_if(rows, [&](const Row& row) { return !row.RunsOn(machine); });
  return rows;
}

std::string Unescape(std::string_view text) {
  std::string out(text);
  for (const auto& [name, character] :
       {std::pair{"{CR}", '\r'}, {"{LF}", '\n'}, {"{TAB}", '\t'}, {"{NUL}", '\0'}})
    out = ReplaceAll(out, name, std::string(1, character));
  for (std::size_t at = out.find("{x"); at != std::string::npos; at = out.find("{x", at + 1))
    if (out.size() > at + 4 && out[at + 4] == '}')
      out.replace(at, 5, 1, static_cast<char>(std::stoi(out.substr(at + 2, 2), nullptr, 16)));
  return out;
}

std::string RowTestName(const ::testing::TestParamInfo<Row>& info) {
  std::string name = info.param.name;
  std::erase_if(name, [](unsigned char c) { return !std::isalnum(c); });
  return name;
}

void ExpectOutcome(const Row& row, const Outcome& seen, const std::string& computer) {
  Outcome expected;
  for (const auto& [key, value] : row.fields) {
    const std::string text = ReplaceAll(ReplaceAll(Unescape(value), "{computer}", computer),
                                        "{version}", QUILLSET_VERSION);
    if (key == "box" || key == "ask")
      expected.dialogs.push_back(key + " " + text);
    if (key == "list" || key == "setup" || key == "alias" || key == "log")
      (key == "list"    ? expected.list
       : key == "setup" ? expected.setups
       : key == "log"   ? expected.log
                        : expected.aliases)
          .push_back(text);
  }
  EXPECT_EQ(seen.dialogs, expected.dialogs) << "the message and input boxes shown";
  EXPECT_EQ(seen.page, row.One("page", "intro")) << "the page in view at the end";
  EXPECT_EQ(seen.list, expected.list) << "the servers listed";
  EXPECT_EQ(seen.setups, expected.setups) << "the setup program's command lines";
  EXPECT_EQ(seen.aliases, expected.aliases) << "the values of the ConnectTo key";
  if (row.Has("exit")) {
    EXPECT_EQ(seen.exit, row.One("exit")) << "the exit code";
  }
  std::vector<std::string> log = seen.log;  // a program's running time varies: {n} s
  for (std::string& line : log)
    line = std::regex_replace(line, std::regex("Laufzeit [0-9]+ s"), "Laufzeit {n} s");
  if (row.Has("log")) {
    EXPECT_EQ(log, expected.log) << "the log's lines";
  }
}

namespace {

// A quoted .reg string from `at` (on its opening quote) on; `at` ends behind the closing quote.
std::string Quoted(std::string_view line, std::size_t& at) {
  std::string text;
  for (++at; at < line.size() && line[at] != '"'; ++at)
    text += line[at += line[at] == '\\'];
  ++at;
  return text;
}

}  // namespace

std::string Latin1ToUtf8(std::string_view bytes) {
  std::string text;
  for (const char byte : bytes) {
    const auto c = static_cast<unsigned char>(byte);
    text += c < 0x80 ? std::string(1, byte)
                     : std::string{static_cast<char>(0xC0 | c >> 6),
                                   static_cast<char>(0x80 | (c & 0x3F))};
  }
  return text;
}

std::vector<RegOperation> ParseRegLines(std::string_view text) {
  std::vector<RegOperation> operations;
  RegOperation key;
  for (const std::string& line : Split(ReplaceAll(std::string(text), "\r", ""), "\n")) {
    if (line.starts_with("[")) {
      const std::string path = line.substr(1, line.find(']') - 1);
      key = RegOperation{};
      key.root = path.starts_with("HKEY_LOCAL_MACHINE") ? 0x80000002u : 0x80000000u;
      key.path = path.substr(path.find('\\') + 1);
      operations.push_back(key);
      continue;
    }
    if (!line.starts_with("\""))
      continue;
    RegOperation value = key;
    std::size_t at = 0;
    value.name = Quoted(line, at);
    value.has_value = true;
    const std::string data = line.substr(at + 1);
    if (data.starts_with("\"")) {
      value.type = 1;
      value.data = Quoted(data, at = 0) + '\0';
    } else if (data.starts_with("dword:")) {
      const unsigned long number = std::stoul(data.substr(6), nullptr, 16);
      value.type = 4;
      for (int shift = 0; shift < 32; shift += 8)
        value.data += static_cast<char>(number >> shift & 0xFF);
    } else if (data.starts_with("hex(")) {
      value.type = std::stoul(data.substr(4), nullptr, 16);
      for (const std::string& byte : Split(data.substr(data.find(':') + 1), ","))
        value.data +=
            byte.empty() ? "" : std::string(1, static_cast<char>(std::stoi(byte, nullptr, 16)));
      if (value.type == 1 || value.type == 2 || value.type == 7)
        value.data = Latin1ToUtf8(value.data);
    } else {
      throw std::invalid_argument("not a .reg value: " + line);
    }
    operations.push_back(value);
  }
  return operations;
}

std::vector<RegOperation> RegistryOf(const Row& row) {
  std::vector<RegOperation> operations;
  if (row.Has("instances")) {
    const std::string names = ReplaceAll(row.One("instances"), ", ", std::string(1, '\0'));
    operations.push_back(RegOperation{0x80000002u, "SOFTWARE\\Microsoft\\Microsoft SQL Server",
                                      "InstalledInstances", true, 7, names + '\0' + '\0'});
  }
  for (const std::string& lines : row.All("reg"))
    for (RegOperation& operation : ParseRegLines(lines))
      operations.push_back(std::move(operation));
  return operations;
}

}  // namespace quillset::testing
