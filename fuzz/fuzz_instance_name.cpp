// libFuzzer entry point of the target instance_name; the properties are in
// instance_name_properties.h.
#include <cstddef>
#include <cstdint>

#include "instance_name_properties.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  quillset::fuzz::instance_name::CheckInput(quillset::fuzz::AsText(data, size));
  return 0;
}
