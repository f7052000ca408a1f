// What a running quillset.exe shows and does at a moment, in one line: for the message of a test
// that waited in vain (which page, which box, which program it is still waiting for).
#pragma once

#include <string>

#include "driver/quillset_app.h"

namespace quillset::e2e {

std::string DescribeProgramState(const QuillsetApp& app);

}  // namespace quillset::e2e
