// The German texts of the "&Weiter" decision.
#pragma once

#include <string>

namespace quillset {

inline constexpr const char* kServerServiceTitle = "Achtung - Installation nicht möglich!";

// The address named for questions; a build-time constant.
const char* ContactAddress();

// The refusal when the Server service does not run: four paragraphs, carriage returns only.
std::string ServerServiceMissingMessage();

}  // namespace quillset
