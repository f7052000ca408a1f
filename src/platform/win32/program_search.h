// Where a program started by its name alone is found: as CreateProcess would find it, but never in
// the program's own folder or the current folder, where anyone may have put a file of that name.
#pragma once

#include <optional>
#include <string>

namespace quillset::win32 {

// The application name for CreateProcessA and the (ANSI) command line: "" when the first word has
// a path (CreateProcess then takes it as it stands); otherwise the file found in System32, the
// Windows folder or a folder of PATH given with its drive or server, in that order (".exe" added
// to a name without an extension); nullopt when none holds it.
std::optional<std::string> ApplicationName(const std::string& command_line);

}  // namespace quillset::win32
