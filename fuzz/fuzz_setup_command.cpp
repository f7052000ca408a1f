// libFuzzer entry point of the target setup_command; the properties are in
// setup_command_properties.h.
#include <cstddef>
#include <cstdint>

#include "setup_command_properties.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  quillset::fuzz::setup_command::CheckInput(quillset::fuzz::AsText(data, size));
  return 0;
}
