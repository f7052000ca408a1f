#include "install/setup_command.h"

#include <string>

#include "inspect/text_rules.h"
#include "platform/failure.h"

namespace quillset {

std::string SetupLogPathFor(const std::string& temp_folder) {
  return Quoted(temp_folder + "\\quillset.log");
}

std::string SetupCommandLine(const std::string& app_folder, const std::string& temp_folder,
                             const std::string& program_files, const std::string& instance_name,
                             std::int16_t package_number, bool without_interface) {
  std::string program = app_folder + "\\setup.exe";
  // Unquoted, "C:\Mein Ordner\setup.exe" would let the platform try C:\Mein.exe first.
  if (program.find(' ') != std::string::npos)
    program = Quoted(program);
  const std::string folder = TrimBlanks(app_folder);
  const char* package_stem = package_number < 10 ? "\\setup\\SqlRun0" : "\\setup\\SqlRun";
  return program + " /lv " + SetupLogPathFor(temp_folder) + " /settings " +
         Quoted(folder + "\\setup.ini") + " INSTANCENAME=" + instance_name +
         " TARGETDIR=" + Quoted(program_files + "\\") + " /i " +
         Quoted(folder + package_stem + std::to_string(package_number) + ".msi") + " /wait" +
         (without_interface ? " /qn" : "");
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
