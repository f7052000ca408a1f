// libFuzzer entry point of the target reg_text; the properties are in reg_text_properties.h.
#include <cstddef>
#include <cstdint>

#include "reg_text_properties.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  quillset::fuzz::reg_text::CheckInput(quillset::fuzz::AsText(data, size));
  return 0;
}
