// Two text helpers the tests, the stand-ins and the simulated machine share. Header only, so that
// the stand-in programs need nothing else.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quillset::testing {

inline std::string ReplaceAll(std::string text, std::string_view from, std::string_view to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at)) {
    text.replace(at, from.size(), to);
    at += to.size();
  }
  return text;
}

// The pieces between separators, exactly: nothing is trimmed.
inline std::vector<std::string> Split(std::string_view text, std::string_view separator) {
  std::vector<std::string> pieces;
  for (std::size_t start = 0;;) {
    const std::size_t end = text.find(separator, start);
    pieces.emplace_back(text.substr(start, end - start));
    if (end == std::string_view::npos)
      return pieces;
    start = end + separator.size();
  }
}

}  // namespace quillset::testing
