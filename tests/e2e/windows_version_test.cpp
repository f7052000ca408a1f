// The Windows version Wine shows the programs of this prefix. scripts/matrix sets Wine's Version
// in each cell of its table and names the version it expects in QUILLSET_E2E_WINDOWS_VERSION
// ("5.1", "6.1", "10.0"...): a cell whose tests ran under another version must not count. Outside
// the matrix there is nothing to compare with.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>

namespace quillset::e2e {
namespace {

// RtlGetVersion, unlike GetVersionEx, tells the truth to a program without a manifest that names
// the newest systems.
std::string VersionOfThisSystem() {
  using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);
  const FARPROC found = GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion");
  if (found == nullptr)
    return "no RtlGetVersion";
  const auto rtl_get_version =
      reinterpret_cast<RtlGetVersionFunction>(reinterpret_cast<void (*)()>(found));
  OSVERSIONINFOW version = {};
  version.dwOSVersionInfoSize = sizeof version;
  if (rtl_get_version(&version) != 0)
    return "RtlGetVersion failed";
  return std::to_string(version.dwMajorVersion) + "." + std::to_string(version.dwMinorVersion);
}

TEST(WindowsVersionTest, IsTheOneTheMatrixCellAsksFor) {
  const char* expected = std::getenv("QUILLSET_E2E_WINDOWS_VERSION");
  if (expected == nullptr || *expected == '\0')
    GTEST_SKIP() << "not in a cell of scripts/matrix; this system is " << VersionOfThisSystem();
  EXPECT_EQ(VersionOfThisSystem(), expected);
}

}  // namespace
}  // namespace quillset::e2e
