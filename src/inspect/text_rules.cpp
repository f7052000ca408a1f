#include "inspect/text_rules.h"

#include <limits>

namespace quillset {

std::string TrimBlanks(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos)
    return {};
  const std::size_t last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

std::int64_t LeadingNumber(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size() && text[at] == ' ')
    ++at;
  bool negative = false;
  if (at < text.size() && (text[at] == '+' || text[at] == '-')) {
    negative = text[at] == '-';
    ++at;
  }
  // Accumulated as a negative number so that the lowest value fits; a longer run of digits
  // saturates instead of overflowing.
  constexpr std::int64_t kLowest = std::numeric_limits<std::int64_t>::min();
  std::int64_t value = 0;
  for (; at < text.size() && IsAsciiDigit(text[at]); ++at) {
    const int digit = text[at] - '0';
    if (value < (kLowest + digit) / 10) {
      value = kLowest;
    } else {
      value = value * 10 - digit;
    }
  }
  if (negative)
    return value;
  return value == kLowest ? std::numeric_limits<std::int64_t>::max() : -value;
}

std::string WithSignBlank(std::int64_t number) {
  std::string digits = std::to_string(number);
  return number < 0 ? digits : " " + digits;
}

bool IsAsciiLetter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool IsAsciiDigit(char c) {
  return c >= '0' && c <= '9';
}

std::string ToUpperCase(std::string text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c >= 'a' && c <= 'z') {
      text[i] = static_cast<char>(c - 'a' + 'A');
    } else if (c == 0xC3 && i + 1 < text.size()) {
      // The second byte of à..þ, less ÷ (0xB7), is 0x20 above that of its capital.
      const auto next = static_cast<unsigned char>(text[i + 1]);
      if (next >= 0xA0 && next <= 0xBE && next != 0xB7)
        text[i + 1] = static_cast<char>(next - 0x20);
      ++i;
    }
  }
  return text;
}

std::string RemoveAll(std::string text, std::string_view piece) {
  if (piece.empty())
    return text;
  std::string result;
  result.reserve(text.size());
  std::size_t from = 0;
  for (std::size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, from)) {
    result.append(text, from, at - from);
    from = at + piece.size();
  }
  result.append(text, from, std::string::npos);
  return result;
}

std::string Quoted(const std::string& text) {
  return '"' + text + '"';
}

}  // namespace quillset
