// Where the runner finds the programs of the build and the fixture files, as Windows paths. The
// build passes their Linux paths in; Wine maps them onto its drives.
#pragma once

#include <string>

namespace quillset::e2e {

// A Linux path as Wine names it (normally Z: followed by the path).
std::wstring WindowsPathOf(const std::string& unix_path);

std::wstring QuillsetExePath();
// The folder of the stand-in programs (osql, the MSDE setup, the service program).
std::wstring StandinFolder();
std::wstring StandinExePath(const std::wstring& name);  // name without ".exe"
// A file of tests/fixtures.
std::wstring FixturePath(const std::wstring& file_name);

// The folder under which every test makes its scratch folders, on the prefix's own drive C:.
std::wstring ScratchRoot();

}  // namespace quillset::e2e
