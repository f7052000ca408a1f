// A drive letter of the Wine prefix that leads to a folder of the test's own, for as long as the
// object lives. Wine maps drive letters through links in the prefix's dosdevices folder, not
// through DefineDosDevice (which it accepts without any effect on file names: measured with
// Wine 8), so the link is made there, with the Linux programs ln and rm, which Wine starts like
// Windows programs.
#pragma once

#include <filesystem>
#include <string>

namespace quillset::e2e {

class MappedDrive {
 public:
  // Takes the first letter from Q: on that no drive uses. Throws DriverError when the drive does
  // not appear.
  explicit MappedDrive(const std::filesystem::path& folder);
  ~MappedDrive();
  MappedDrive(const MappedDrive&) = delete;
  MappedDrive& operator=(const MappedDrive&) = delete;

  // "Q:\"
  std::wstring root() const { return std::wstring(1, letter_) + L":\\"; }

 private:
  wchar_t letter_ = L'\0';
  std::string link_;  // the Linux path of the link
};

// A Windows path as Linux names it (wine_get_unix_file_name); throws DriverError outside Wine.
std::string UnixPathOf(const std::wstring& windows_path);

}  // namespace quillset::e2e
