#include "support/reg_file.h"

#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>

namespace quillset::testing {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kHeaderRegedit4 = "REGEDIT4";
constexpr std::string_view kHeaderVersion5 = "Windows Registry Editor Version 5.00";

[[noreturn]] void Fail(int line, const std::string& what) {
  throw std::invalid_argument("line " + std::to_string(line) + ": " + what);
}

std::string_view TrimSpace(std::string_view text) {
  const std::size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos)
    return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool StartsWithFolded(std::string_view text, std::string_view prefix) {
  if (text.size() < prefix.size())
    return false;
  for (std::size_t at = 0; at < prefix.size(); ++at) {
    char c = text[at];
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
    if (c != prefix[at])
      return false;
  }
  return true;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9')
    return c - '0';
  if (c >= 'a' && c <= 'f')
    return c - 'a' + 10;
  if (c >= 'A' && c <= 'F')
    return c - 'A' + 10;
  return -1;
}

// 1 to 8 hexadecimal digits and nothing else.
std::optional<std::uint32_t> ParseHexNumber(std::string_view digits) {
  if (digits.empty() || digits.size() > 8)
    return std::nullopt;
  std::uint32_t number = 0;
  for (char c : digits) {
    const int digit = HexDigit(c);
    if (digit < 0)
      return std::nullopt;
    number = number << 4 | static_cast<std::uint32_t>(digit);
  }
  return number;
}

void AppendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | c >> 6);
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | c >> 12);
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | c >> 18);
    out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// UTF-16LE bytes as UTF-8; nullopt when they are not UTF-16 (odd count, lone surrogate).
std::optional<std::string> Utf16LeToUtf8(std::string_view bytes) {
  if (bytes.size() % 2 != 0)
    return std::nullopt;
  std::string out;
  const auto unit = [&](std::size_t index) {
    return static_cast<char16_t>(static_cast<unsigned char>(bytes[2 * index]) |
                                 static_cast<unsigned char>(bytes[2 * index + 1]) << 8);
  };
  const std::size_t units = bytes.size() / 2;
  for (std::size_t at = 0; at < units; ++at) {
    const char16_t first = unit(at);
    if (first >= 0xDC00 && first <= 0xDFFF)
      return std::nullopt;
    if (first >= 0xD800 && first <= 0xDBFF) {
      if (at + 1 >= units)
        return std::nullopt;
      const char16_t second = unit(at + 1);
      if (second < 0xDC00 || second > 0xDFFF)
        return std::nullopt;
      AppendUtf8(out, 0x10000 + ((static_cast<char32_t>(first) - 0xD800) << 10) +
                          (static_cast<char32_t>(second) - 0xDC00));
      ++at;
    } else {
      AppendUtf8(out, first);
    }
  }
  return out;
}

// Windows-1252 bytes as UTF-8. The five bytes the code page leaves undefined map to the control
// characters of the same number, as Windows' own conversion does.
std::string Cp1252ToUtf8(std::string_view bytes) {
  static constexpr char16_t kHigh[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  std::string out;
  for (char byte : bytes) {
    char32_t c = static_cast<unsigned char>(byte);
    if (c >= 0x80 && c < 0xA0)
      c = kHigh[c - 0x80];
    AppendUtf8(out, c);
  }
  return out;
}

bool IsValidUtf8(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size()) {
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = 0;
    char32_t c = 0;
    if (lead < 0x80) {
      ++at;
      continue;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
      c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      c = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      c = lead & 0x07;
    } else {
      return false;
    }
    if (at + length > text.size())
      return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[at + k]);
      if ((next & 0xC0) != 0x80)
        return false;
      c = c << 6 | (next & 0x3F);
    }
    const char32_t lowest = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
    if (c < lowest || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
      return false;
    at += length;
  }
  return true;
}

std::optional<platform::RegistryKeyHandle> RootByName(std::string_view name) {
  const auto is = [&](std::string_view wanted) {
    return StartsWithFolded(name, wanted) && name.size() == wanted.size();
  };
  if (is("hkey_local_machine") || is("hklm"))
    return platform::kHkeyLocalMachine;
  if (is("hkey_classes_root") || is("hkcr"))
    return platform::kHkeyClassesRoot;
  if (is("hkey_current_user") || is("hkcu"))
    return platform::kHkeyCurrentUser;
  return std::nullopt;
}

class Parser {
 public:
  explicit Parser(std::string_view text) {
    if (text.substr(0, kUtf8Bom.size()) == kUtf8Bom)
      text.remove_prefix(kUtf8Bom.size());
    std::size_t from = 0;
    while (from <= text.size()) {
      std::size_t end = text.find('\n', from);
      if (end == std::string_view::npos)
        end = text.size();
      std::string_view line = text.substr(from, end - from);
      if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
      lines_.push_back(line);
      from = end + 1;
    }
  }

  std::vector<RegOperation> Parse() {
    ReadHeader();
    while (next_ < lines_.size()) {
      const int number = static_cast<int>(next_) + 1;
      const std::string_view line = TrimSpace(lines_[next_++]);
      if (line.empty() || line.front() == ';')
        continue;
      if (line.front() == '[') {
        KeyLine(line, number);
      } else if (line.front() == '"' || line.front() == '@') {
        ValueLine(line, number);
      } else {
        Fail(number, "neither a key nor a value: " + std::string(line));
      }
    }
    return std::move(operations_);
  }

 private:
  void ReadHeader() {
    while (next_ < lines_.size() && TrimSpace(lines_[next_]).empty())
      ++next_;
    if (next_ == lines_.size())
      Fail(1, "no header");
    const int number = static_cast<int>(next_) + 1;
    const std::string_view header = TrimSpace(lines_[next_++]);
    if (header == kHeaderVersion5) {
      utf16_text_ = true;
    } else if (header != kHeaderRegedit4) {
      Fail(number, "not a registry file header: " + std::string(header));
    }
  }

  void KeyLine(std::string_view line, int number) {
    if (line.back() != ']')
      Fail(number, "key name without closing bracket");
    std::string_view inner = line.substr(1, line.size() - 2);
    const bool deleting = !inner.empty() && inner.front() == '-';
    if (deleting)
      inner.remove_prefix(1);
    const std::size_t slash = inner.find('\\');
    const std::string_view root_name = inner.substr(0, slash);
    const std::optional<platform::RegistryKeyHandle> root = RootByName(root_name);
    if (!root)
      Fail(number, "unknown root key: " + std::string(root_name));
    std::string_view path =
        slash == std::string_view::npos ? std::string_view() : inner.substr(slash);
    while (!path.empty() && path.front() == '\\')
      path.remove_prefix(1);
    while (!path.empty() && path.back() == '\\')
      path.remove_suffix(1);
    if (deleting && path.empty())
      Fail(number, "a root key cannot be deleted");

    RegOperation operation;
    operation.kind = deleting ? RegOperationKind::DeleteKey : RegOperationKind::CreateKey;
    operation.root = *root;
    operation.path = std::string(path);
    operation.line = number;
    current_ = operation;
    operations_.push_back(std::move(operation));
  }

  void ValueLine(std::string_view line, int number) {
    if (!current_)
      Fail(number, "value before the first key");
    if (current_->kind == RegOperationKind::DeleteKey)
      Fail(number, "value under a deleted key");

    RegOperation operation;
    operation.root = current_->root;
    operation.path = current_->path;
    operation.line = number;

    std::size_t at = 0;
    if (line.front() == '@') {
      at = 1;
    } else {
      operation.name = QuotedText(line, at, number);
    }
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t'))
      ++at;
    if (at >= line.size() || line[at] != '=')
      Fail(number, "'=' expected after the value name");
    std::string_view data = TrimSpace(line.substr(at + 1));
    if (data.empty())
      Fail(number, "value without data");

    if (data == "-") {
      operation.kind = RegOperationKind::DeleteValue;
    } else if (data.front() == '"') {
      std::size_t end = 0;
      std::string text = QuotedText(data, end, number);
      if (!TrimSpace(data.substr(end)).empty())
        Fail(number, "text after the closing quote");
      operation.kind = RegOperationKind::SetValue;
      operation.type = platform::kRegSz;
      operation.data = std::move(text);
      operation.data += '\0';
    } else if (StartsWithFolded(data, "dword:")) {
      const std::optional<std::uint32_t> number_value = ParseHexNumber(data.substr(6));
      if (!number_value)
        Fail(number, "dword: needs 1 to 8 hexadecimal digits");
      operation.kind = RegOperationKind::SetValue;
      operation.type = platform::kRegDword;
      for (int shift = 0; shift < 32; shift += 8) {
        operation.data += static_cast<char>(*number_value >> shift & 0xFF);
      }
    } else if (StartsWithFolded(data, "hex")) {
      operation.kind = RegOperationKind::SetValue;
      HexValue(std::string(data), number, operation);
    } else {
      Fail(number, "unknown value data: " + std::string(data));
    }
    operations_.push_back(std::move(operation));
  }

  // A quoted text starting at line[at]; `at` ends after the closing quote.
  static std::string QuotedText(std::string_view line, std::size_t& at, int number) {
    if (at >= line.size() || line[at] != '"')
      Fail(number, "'\"' expected");
    std::string text;
    for (++at; at < line.size(); ++at) {
      const char c = line[at];
      if (c == '"') {
        ++at;
        return text;
      }
      if (c == '\\') {
        if (at + 1 >= line.size() || (line[at + 1] != '\\' && line[at + 1] != '"')) {
          Fail(number, "unknown escape in quoted text");
        }
        text += line[++at];
      } else {
        text += c;
      }
    }
    Fail(number, "quoted text without closing quote");
  }

  // hex: / hex(N): with its byte list, continued on the following lines after a backslash.
  void HexValue(std::string data, int number, RegOperation& operation) {
    std::size_t at = 3;
    operation.type = platform::kRegBinary;
    if (at < data.size() && data[at] == '(') {
      const std::size_t close = data.find(')', at);
      if (close == std::string::npos)
        Fail(number, "hex( without closing parenthesis");
      const std::optional<std::uint32_t> type = ParseHexNumber(data.substr(at + 1, close - at - 1));
      if (!type)
        Fail(number, "hex(N): needs a hexadecimal type number");
      operation.type = *type;
      at = close + 1;
    }
    if (at >= data.size() || data[at] != ':')
      Fail(number, "':' expected after hex");
    std::string list = data.substr(at + 1);
    while (!list.empty() && list.back() == '\\') {
      list.pop_back();
      if (next_ >= lines_.size())
        Fail(number, "continuation line missing at the end");
      list += TrimSpace(lines_[next_++]);
    }

    std::string bytes;
    std::size_t from = 0;
    while (from < list.size()) {
      std::size_t comma = list.find(',', from);
      const bool last = comma == std::string::npos;
      if (last)
        comma = list.size();
      const std::string_view token = TrimSpace(std::string_view(list).substr(from, comma - from));
      // One trailing comma is tolerated; an empty byte between two commas is not.
      if (token.empty() && !last)
        Fail(number, "empty byte in hex list");
      if (!token.empty()) {
        const std::optional<std::uint32_t> byte = ParseHexNumber(token);
        if (!byte || token.size() > 2)
          Fail(number, "bad byte in hex list: " + std::string(token));
        bytes += static_cast<char>(*byte);
      }
      from = comma + 1;
    }

    const bool text_type = operation.type == platform::kRegSz ||
                           operation.type == platform::kRegExpandSz ||
                           operation.type == platform::kRegMultiSz;
    if (!text_type) {
      operation.data = std::move(bytes);
    } else if (utf16_text_) {
      std::optional<std::string> text = Utf16LeToUtf8(bytes);
      if (!text)
        Fail(number, "text bytes are not UTF-16LE");
      operation.data = std::move(*text);
    } else {
      operation.data = Cp1252ToUtf8(bytes);
    }
  }

  std::vector<std::string_view> lines_;
  std::size_t next_ = 0;
  bool utf16_text_ = false;
  std::optional<RegOperation> current_;
  std::vector<RegOperation> operations_;
};

}  // namespace

std::vector<RegOperation> ParseRegText(std::string_view text) {
  return Parser(text).Parse();
}

std::string ReadRegFileAsUtf8(const std::string& file_path) {
  std::ifstream file(file_path, std::ios::binary);
  if (!file)
    throw std::invalid_argument("cannot read " + file_path);
  const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
    std::optional<std::string> text = Utf16LeToUtf8(std::string_view(bytes).substr(2));
    if (!text)
      throw std::invalid_argument(file_path + ": not UTF-16LE");
    return *text;
  }
  if (std::string_view(bytes).substr(0, kUtf8Bom.size()) == kUtf8Bom)
    return bytes.substr(3);
  if (IsValidUtf8(bytes))
    return bytes;
  return Cp1252ToUtf8(bytes);
}

std::vector<std::string> MultiSzEntries(std::string_view data) {
  std::vector<std::string> entries;
  std::string current;
  for (const char c : data) {
    if (c != '\0') {
      current += c;
    } else if (!current.empty()) {
      entries.push_back(current);
      current.clear();
    }
  }
  if (!current.empty())
    entries.push_back(current);
  return entries;
}

}  // namespace quillset::testing
