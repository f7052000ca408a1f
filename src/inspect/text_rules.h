// Small text rules shared by the inventory, the probes, the report and the installation: the one
// home of the character classes and the case rule.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quillset {

// Removes space characters (only those) at both ends.
std::string TrimBlanks(std::string_view text);

// The decimal number at the start of the text (leading blanks skipped, an optional sign, then
// digits); 0 when there is none. "12" -> 12, "" -> 0, "3x" -> 3, "x3" -> 0.
std::int64_t LeadingNumber(std::string_view text);

// A number written with a blank in the place of the sign of a non-negative value: 2 -> " 2",
// 16 -> " 16", -1 -> "-1".
std::string WithSignBlank(std::int64_t number);

// The ASCII letters A-Z and a-z, and the digits 0-9: what the instance-name rules count as such.
bool IsAsciiLetter(char c);
bool IsAsciiDigit(char c);

// Upper case as the user expects it of a name: the ASCII letters and the Latin-1 letters of UTF-8
// (ä -> Ä); everything else stays as it is.
std::string ToUpperCase(std::string text);

// The text in double quotes.
std::string Quoted(const std::string& text);

// Removes every occurrence of `piece` (exact, case-sensitive).
std::string RemoveAll(std::string text, std::string_view piece);

}  // namespace quillset
