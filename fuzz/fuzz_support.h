// Helpers shared by the fuzz targets: a checked invariant that aborts (so libFuzzer saves the
// input), and readers that cut the fuzzer's bytes into the pieces a target needs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace quillset::fuzz {

// Called with a violated property before the program aborts. The unit tests that replay saved
// inputs set one that throws, so that a violation fails the test instead of ending the run.
using ViolationHandler = void (*)(const char* condition, const char* what, const char* file,
                                  int line);
inline ViolationHandler& OnViolation() {
  static ViolationHandler handler = nullptr;
  return handler;
}

[[noreturn]] inline void InvariantViolated(const char* condition, const char* what,
                                           const char* file, int line) {
  if (OnViolation() != nullptr)
    OnViolation()(condition, what, file, line);
  std::fprintf(stderr, "%s:%d: invariant violated: %s\n  (%s)\n", file, line, what, condition);
  std::abort();
}

// Aborts on a violated property: the fuzzer reports it like a crash and keeps the input.
#define FUZZ_REQUIRE(condition, what)                                            \
  do {                                                                           \
    if (!(condition))                                                            \
      ::quillset::fuzz::InvariantViolated(#condition, what, __FILE__, __LINE__); \
  } while (false)

inline std::string_view AsText(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// The input cut at every NUL byte: "a\0b\0" gives "a", "b", "". Seeds stay readable text with
// NULs between the fields.
inline std::vector<std::string> SplitAtNul(std::string_view input) {
  std::vector<std::string> pieces;
  std::size_t from = 0;
  for (;;) {
    const std::size_t end = input.find('\0', from);
    if (end == std::string_view::npos) {
      pieces.emplace_back(input.substr(from));
      return pieces;
    }
    pieces.emplace_back(input.substr(from, end - from));
    from = end + 1;
  }
}

// Takes bytes from the front of the input; past its end every read gives zeros or "".
class ByteReader {
 public:
  explicit ByteReader(std::string_view input) : input_(input) {}

  std::uint8_t Byte() {
    if (at_ >= input_.size())
      return 0;
    return static_cast<std::uint8_t>(input_[at_++]);
  }
  // Little-endian 16-bit number.
  std::size_t Length16() {
    const std::size_t low = Byte();
    return low | static_cast<std::size_t>(Byte()) << 8;
  }
  // Up to `count` bytes (fewer at the end of the input).
  std::string Bytes(std::size_t count) {
    const std::string_view taken = input_.substr(at_, count);
    at_ += taken.size();
    return std::string(taken);
  }
  // A 16-bit length, then that many bytes.
  std::string LengthPrefixed() { return Bytes(Length16()); }
  std::string Rest() { return Bytes(input_.size()); }
  bool AtEnd() const { return at_ >= input_.size(); }

 private:
  std::string_view input_;
  std::size_t at_ = 0;
};

}  // namespace quillset::fuzz
