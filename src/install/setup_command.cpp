#include "install/setup_command.h"

#include <string>

#include "inspect/text_rules.h"
#include "platform/failure.h"

namespace quillset {

namespace {

constexpr char kQuote = '"';

std::string Quoted(const std::string& text) {
  return kQuote + text + kQuote;
}

}  // namespace

std::string SetupLogPathFor(const std::string& temp_folder) {
  return Quoted(temp_folder + "\\quillset.log");
}

std::string TargetFolderFor(const std::string& program_files) {
  return Quoted(program_files + "\\");
}

std::string SetupArgumentsFor(const std::string& app_folder, const std::string& setup_log_path,
                              const std::string& instance_name, const std::string& target_folder) {
  return "/lv " + TrimBlanks(setup_log_path) + " /settings " +
         Quoted(TrimBlanks(app_folder) + "\\setup.ini") + " INSTANCENAME=" + instance_name +
         " TARGETDIR=" + target_folder;
}

std::string PackageOptionFor(const std::string& app_folder, std::int16_t package_number) {
  const char* file_stem = package_number < 10 ? "\\setup\\SqlRun0" : "\\setup\\SqlRun";
  return " /i " +
         Quoted(TrimBlanks(app_folder) + file_stem + std::to_string(package_number) + ".msi");
}

std::string SetupCommandFor(const std::string& app_folder, const std::string& setup_arguments,
                            const std::string& package_option) {
  std::string program = app_folder + "\\setup.exe";
  // Unquoted, "C:\Mein Ordner\setup.exe" would let the platform try C:\Mein.exe first.
  if (program.find(' ') != std::string::npos)
    program = Quoted(program);
  return program + " " + setup_arguments + package_option + " /wait";
}

std::int16_t ChooseFreePackageNumber(const PackageList& found_packages) {
  std::int16_t number = 1;
  while (number <= kLastSlot && LeadingNumber(found_packages[number]) == number)
    ++number;
  if (number > kLastSlot) {
    throw platform::PlatformFailure(platform::kFailureSubscriptOutOfRange,
                                    "every MSDE package is installed");
  }
  return number;
}

}  // namespace quillset
