// libFuzzer entry point of the target command_runner; the properties are in
// command_runner_properties.h.
#include <cstddef>
#include <cstdint>

#include "command_runner_properties.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  quillset::fuzz::command_runner::CheckInput(quillset::fuzz::AsText(data, size));
  return 0;
}
