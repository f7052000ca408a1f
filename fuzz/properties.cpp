#include "properties.h"

#include <algorithm>

#include "app/command_line.h"
#include "inspect/instance_inventory.h"
#include "inspect/instance_name_rule.h"
#include "inspect/server_probes.h"
#include "inspect/service_checks.h"
#include "install/setup_command.h"
#include "platform/system_port.h"
#include "support/simulated_machine.h"

namespace quillset::fuzz {
namespace {

using std::string, std::string_view;
constexpr auto npos = string::npos;

void Expect(bool holds, const char* property) {
  if (!holds)
    throw std::logic_error(string("fuzz property violated: ") + property);
}

string Trim(string text) {
  text.erase(0, text.find_first_not_of(' '));
  return text.erase(text.find_last_not_of(' ') + 1);
}

void Instances(string_view in) {  // the raw InstalledInstances text
  std::vector<string> slots = testing::Split(in, string_view("\0", 1));
  slots.pop_back();                 // the text after the last NUL ends no name
  slots.insert(slots.begin(), "");  // slot 0 stays empty
  slots.resize(kSlotCount);
  const InstanceList list = InstanceListFromRegistryText(string(in));
  Expect(std::ranges::equal(list, slots), "slots 1 to 16 hold the first 16 NUL-ended names");
}

void Osql(string_view in) {  // an osql answer
  const string clean = CleanOsqlAnswer(string(in));
  const auto kept = [](string text) {  // without the characters cleaning may take out
    std::erase_if(text,
                  [](char c) { return string_view(" -\r\n\v\f(1rowafectd)").find(c) != npos; });
    return text;
  };
  Expect(clean.find_first_of("-\r\n\v\f") == npos && Trim(clean) == clean,
         "no hyphen, line control or blank at either end is left");
  Expect(kept(clean) == kept(string(in)), "only blanks, hyphens, line controls, row count go");
}

void Services(string_view in) {  // a name, NUL, a net start listing
  const string name(in.substr(0, in.find('\0'))),
      text(in.substr(std::min(in.size(), name.size() + 1)));
  const auto instance = [&](string tail) { return ListingShowsInstanceService(text + tail, name); };
  const auto service = [&](string tail) { return ListingShowsService(text + tail, name); };
  Expect(text.find(name) != npos || !(instance("") || service("")), "an absent name is not shown");
  Expect(text.find('\r') != npos || service("") == (!name.empty() && text.ends_with(name)),
         "without a CR, only a text that ends the listing is shown");
  Expect(service(name + "\r\n") == !name.empty(), "a text followed by a CR is shown");
  if (name.find_first_of("\r\n") != npos || Trim(name) != name)
    return;
  Expect(instance("\r\n  MSSQL$" + name + " \n") == !name.empty(), "a line MSSQL$ name shows it");
  for (const char c : string_view("Xz7_&#"))  // a line of a longer name shows nothing more
    Expect(instance("\nMSSQL$" + string(1, c) + name) == instance(""), "a longer name hides it");
}

void Setup(string_view in) {  // temp, program files, app folder, name, slot bytes; NUL between
  std::vector<string> f = testing::Split(in, string_view("\0", 1));
  f.resize(5);
  f[4].resize(kSlotCount);  // slot i: "" for 0, its own number for odd bytes, else half the byte
  PackageList packages;
  int free = kSlotCount, number = 0;
  for (int i = kLastSlot; i >= 0; --i) {
    packages[i] = f[4][i] ? std::to_string(f[4][i] % 2 ? i : f[4][i] / 2) : "";
    free = i > 0 && packages[i] != std::to_string(i) ? i : free;
  }
  try {
    number = ChooseFreePackageNumber(packages);
  } catch (const platform::PlatformFailure& failure) {
    number = -failure.number();
  }
  Expect(number == (free > kLastSlot ? -9 : free), "lowest free package, failure 9 when none");
  const string program = f[2] + "\\setup.exe", app = Trim(f[2]);
  Expect(number < 0 ||
             SetupCommandLine(f[2], f[0], f[1], f[3], static_cast<std::int16_t>(number)) ==
                 (f[2].find(' ') == npos ? program : '"' + program + '"') + " /lv \"" + f[0] +
                     "\\quillset.log\" /settings \"" + app + "\\setup.ini\" INSTANCENAME=" + f[3] +
                     " TARGETDIR=\"" + f[1] + "\\\" /i \"" + app + "\\setup\\SqlRun" +
                     std::to_string(100 + number).substr(1) + ".msi\" /wait",
         "the setup command line: program, log, settings, instance, target, package, /wait");
}

void InstanceName(string_view in) {  // a typed instance name
  string upper(in);
  for (char& c : upper)
    c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  const bool fits = !in.empty() && in.size() <= 16 && upper != "DEFAULT" && upper != "MSSQLSERVER";
  if (!IsValidInstanceName(string(in)))
    return Expect(!fits || !std::ranges::all_of(upper, [](char c) { return c >= 'A' && c <= 'Z'; }),
                  "a name of 1 to 16 letters is accepted unless reserved");
  Expect(fits && std::ranges::all_of(in, [](char c) { return c > ' ' && c < 0x7f; }) &&
             in.find_first_of("\"\\/=") == npos,
         "an accepted name has 1 to 16 characters, is not reserved and holds no blank, quote, "
         "slash, '=', control or non-ASCII byte");
}

void Box(string_view in) {  // the box's text, then each write of the program after a 0xFF byte
  const std::vector<string> pieces = testing::Split(in, "\xff");
  testing::SimulatedMachine machine(testing::Row{});
  machine.consoles["net start"].assign(pieces.begin() + 1, pieces.end());
  machine.SetText(pieces[0]);
  string expected = pieces.size() > 1 ? "" : pieces[0];
  for (const string& write : std::span(pieces).subspan(1))
    for (std::size_t at = 0; at < write.size(); at += 1023)  // reads of at most 1023 bytes, each
      expected += testing::Latin1ToUtf8(write.substr(at, 1023).c_str());  // cut at its zero byte
  RunCommandToTextBox({machine, machine}, pieces.size() > 1 ? "net start" : "osql");
  Expect(machine.Text() == expected, "the box shows each read up to its zero byte, or its text");
}

void Command(string_view in) {  // a command line after the program's name
  const string line = "quillset.exe " + string(in);
  const CommandLine command = ReadCommandLine(line);
  const std::vector<string> arguments = SplitCommandLine(line);
  bool quiet = false, documented = true;
  for (std::size_t i = 1; i < arguments.size(); ++i) {
    string name = arguments[i].size() > 1 && string_view("/-").find(arguments[i][0]) != npos
                      ? arguments[i].substr(1)
                      : "";
    for (char& c : name)
      c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    quiet = quiet || name == "quiet" || name == "qn";
    const bool takes_value = name == "log" || name == "instance";
    documented = documented &&
                 (takes_value || name == "quiet" || name == "qn" || name == "?" || name == "help");
    // A value is the next argument unless it is missing, empty or begins with "/" or "-".
    if (takes_value && i + 1 < arguments.size() && !arguments[i + 1].empty() &&
        string_view("/-").find(arguments[i + 1][0]) == npos)
      ++i;
  }
  Expect(command.quiet == quiet, "quiet exactly when /quiet or /qn is among the arguments");
  Expect(command.invalid || documented, "an accepted line holds only switches and their values");
  Expect(command.invalid || !command.has_instance ||
             (IsValidInstanceName(command.instance) &&
              command.instance.find_first_of("abcdefghijklmnopqrstuvwxyz") == npos),
         "an accepted instance name passes the rule, upper-cased");
}

}  // namespace

void CheckInput(const std::uint8_t* data, std::size_t size) {
  constexpr std::array kProperties = {Instances, Osql, Services, Setup, InstanceName, Box, Command};
  if (size > 0)  // the digits 0 to 6 pick their own property
    kProperties[(data[0] + 1) % kProperties.size()](
        string_view(reinterpret_cast<const char*>(data), size).substr(1));
}

}  // namespace quillset::fuzz
