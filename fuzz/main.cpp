#include "properties.h"

// A violated property throws; libFuzzer reports the uncaught exception as a crash.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  quillset::fuzz::CheckInput(data, size);
  return 0;
}
