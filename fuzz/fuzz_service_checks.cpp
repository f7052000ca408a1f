// libFuzzer entry point of the target service_checks; the properties are in
// service_checks_properties.h.
#include <cstddef>
#include <cstdint>

#include "service_checks_properties.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  quillset::fuzz::service_checks::CheckInput(quillset::fuzz::AsText(data, size));
  return 0;
}
