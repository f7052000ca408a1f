// Runs the fuzzed property the first byte picks ((byte + 1) % 7: the digit N picks property N) on
// the rest of the input and throws std::logic_error naming it when it does not hold. Used by
// quillset_fuzz and the unit tests.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillset::fuzz {
void CheckInput(const std::uint8_t* data, std::size_t size);
}  // namespace quillset::fuzz
