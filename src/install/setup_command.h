// The command line of Microsoft's MSDE setup program, and the choice of package.
#pragma once

#include <cstdint>
#include <string>

#include "inspect/inventory_types.h"

namespace quillset {

// Where the setup writes its log: Q + temp + "\quillset.log" + Q.
std::string SetupLogPathFor(const std::string& temp_folder);

// app folder + "\setup.exe /lv " + log path + " /settings " + Q + app folder (trimmed) +
// "\setup.ini" + Q + " INSTANCENAME=" + name + " TARGETDIR=" + Q + program files + "\" + Q +
// " /i " + Q + app folder (trimmed) + "\setup\SqlRunNN.msi" + Q + " /wait", NN the package number
// in two digits. When the app folder holds a blank, the program path is enclosed in double quotes,
// so that the platform cannot take a shorter path for the program. Without an interface (a quiet
// run), " /qn" follows: the MSDE setup then shows nothing either.
std::string SetupCommandLine(const std::string& app_folder, const std::string& temp_folder,
                             const std::string& program_files, const std::string& instance_name,
                             std::int16_t package_number, bool without_interface = false);

// The lowest package number whose slot does not hold its own number. Throws
// platform::PlatformFailure(kFailureSubscriptOutOfRange) when packages 1 to 16 are all installed.
std::int16_t ChooseFreePackageNumber(const PackageList& found_packages);

}  // namespace quillset
