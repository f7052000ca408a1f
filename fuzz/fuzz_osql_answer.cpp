// libFuzzer entry point of the target osql_answer; the properties are in osql_answer_properties.h.
#include <cstddef>
#include <cstdint>

#include "osql_answer_properties.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  quillset::fuzz::osql_answer::CheckInput(quillset::fuzz::AsText(data, size));
  return 0;
}
