// Whether a Windows service runs, judged from the listing of "net start".
#pragma once

#include <string>
#include <string_view>

#include "inspect/command_runner.h"

namespace quillset {

// The Windows service of a named instance, "MSSQL$" + name; its program folder and its named pipe
// carry the same name.
std::string InstanceServiceName(const std::string& instance_name);

// True when some line of the listing, with blanks and line ends removed at both ends, ends with
// the name (exact, case-sensitive) and the name is not the tail of a longer name ("MSSQL$XGLOBANA"
// does not show GLOBANA).
bool ListingShowsInstanceService(std::string_view listing, std::string_view name);

// True when some occurrence of the text is followed by a carriage return or ends the listing.
bool ListingShowsService(std::string_view listing, std::string_view text);

// Runs "NET START" into the box (not emptied first) and judges the instance's service.
bool IsInstanceServiceStarted(const CommandConsole& console, const std::string& name);

// Empties the box, runs "net start" into it and looks for the text.
bool IsServiceStarted(const CommandConsole& console, const std::string& text);

}  // namespace quillset
