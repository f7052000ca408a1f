// The command line of Microsoft's MSDE setup program, piece by piece, and the choice of package.
#pragma once

#include <cstdint>
#include <string>

#include "inspect/inventory_types.h"

namespace quillset {

// Q + temp + "\quillset.log" + Q.
std::string SetupLogPathFor(const std::string& temp_folder);

// Q + program_files + "\" + Q.
std::string TargetFolderFor(const std::string& program_files);

// "/lv " + log + " /settings " + Q + app folder (trimmed) + "\setup.ini" + Q + " INSTANCENAME=" +
// name + " TARGETDIR=" + target folder.
std::string SetupArgumentsFor(const std::string& app_folder, const std::string& setup_log_path,
                              const std::string& instance_name, const std::string& target_folder);

// " /i " + Q + app folder (trimmed) + "\setup\SqlRun0N.msi" or "\setup\SqlRunNN.msi" + Q.
std::string PackageOptionFor(const std::string& app_folder, std::int16_t package_number);

// App folder + "\setup.exe " + arguments + package option + " /wait". When the app folder holds a
// blank, the program path (app folder + "\setup.exe") is enclosed in double quotes, so that the
// platform cannot take a shorter path for the program.
std::string SetupCommandFor(const std::string& app_folder, const std::string& setup_arguments,
                            const std::string& package_option);

// The lowest package number whose slot does not hold its own number. Throws
// platform::PlatformFailure(kFailureSubscriptOutOfRange) when packages 1 to 16 are all installed.
std::int16_t ChooseFreePackageNumber(const PackageList& found_packages);

}  // namespace quillset
