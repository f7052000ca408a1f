// The environment variables the installation reads (ProgramFiles, TEMP).
#pragma once

#include <string>

#include "platform/system_port.h"

namespace quillset {

// The value of the last variable named exactly `name` (case-sensitive) among the first 255
// entries of the environment; "" when there is none.
std::string GetEnvironmentValue(platform::SystemPort& system, const std::string& name);

}  // namespace quillset
