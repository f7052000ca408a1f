// libFuzzer entry point of the target instance_inventory; the properties are in
// instance_inventory_properties.h.
#include <cstddef>
#include <cstdint>

#include "instance_inventory_properties.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  quillset::fuzz::instance_inventory::CheckInput(quillset::fuzz::AsText(data, size));
  return 0;
}
