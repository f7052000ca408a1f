#include "inspect/service_checks.h"

#include "inspect/instance_name_rule.h"
#include "inspect/text_rules.h"

namespace quillset {

namespace {

constexpr std::string_view kLineEnds = "\r\n";

// A line ending in "MSSQL$XGLOBANA" is the service of XGLOBANA, not of GLOBANA.
bool LineEndsWithName(std::string_view line, std::string_view name) {
  if (!line.ends_with(name))
    return false;
  return line.size() == name.size() ||
         !IsInstanceNameCharacter(line[line.size() - name.size() - 1]);
}

}  // namespace

std::string InstanceServiceName(const std::string& instance_name) {
  return "MSSQL$" + instance_name;
}

// net lists one started service per line. Windows closes the listing with an empty line and a
// closing line, Wine with nothing, and the last line may lack its line end; judging each line
// alone works for all of them and never depends on what follows the match.
bool ListingShowsInstanceService(std::string_view listing, std::string_view name) {
  if (name.empty())
    return false;
  std::size_t start = 0;
  while (start <= listing.size()) {
    std::size_t end = listing.find_first_of(kLineEnds, start);
    if (end == std::string_view::npos)
      end = listing.size();
    if (LineEndsWithName(TrimBlanks(listing.substr(start, end - start)), name))
      return true;
    start = end + 1;
  }
  return false;
}

bool ListingShowsService(std::string_view listing, std::string_view text) {
  if (text.empty())
    return false;
  for (std::size_t found = listing.find(text); found != std::string_view::npos;
       found = listing.find(text, found + 1)) {
    const std::size_t after = found + text.size();
    if (after == listing.size() || listing[after] == '\r')
      return true;
  }
  return false;
}

bool IsInstanceServiceStarted(const CommandConsole& console, const std::string& name) {
  // The box is not emptied: when net cannot start, the previous output is judged.
  RunCommandToTextBox(console, "NET START");
  return ListingShowsInstanceService(console.box.Text(), name);
}

bool IsServiceStarted(const CommandConsole& console, const std::string& text) {
  // Emptied first, so that a net that cannot start finds nothing rather than old output.
  console.box.SetText("");
  RunCommandToTextBox(console, "net start");
  return ListingShowsService(console.box.Text(), text);
}

}  // namespace quillset
