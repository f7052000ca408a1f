// What a cell of scripts/matrix set up for its tests: the Windows version Wine shows the programs
// of the prefix, the screen's DPI and the title bar's height. The matrix names what it set in
// QUILLSET_E2E_WINDOWS_VERSION ("5.1", "6.1", "10.0"...), QUILLSET_E2E_DPI ("96", "192"...) and
// QUILLSET_E2E_CAPTION_HEIGHT (pixels): a cell whose tests ran under anything else must not count.
// Outside the matrix there is nothing to compare with.
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

std::string DpiOfThisScreen() {
  const HDC screen = GetDC(nullptr);
  const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  return std::to_string(dpi);
}

TEST(MatrixCellTest, RunsTheWindowsVersionItAsksFor) {
  const char* expected = std::getenv("QUILLSET_E2E_WINDOWS_VERSION");
  if (expected == nullptr || *expected == '\0')
    GTEST_SKIP() << "not in a cell of scripts/matrix; this system is " << VersionOfThisSystem();
  EXPECT_EQ(VersionOfThisSystem(), expected);
}

TEST(MatrixCellTest, RunsAtTheDpiItAsksFor) {
  const char* expected = std::getenv("QUILLSET_E2E_DPI");
  if (expected == nullptr || *expected == '\0')
    GTEST_SKIP() << "not in a cell of scripts/matrix; this screen has " << DpiOfThisScreen()
                 << " DPI";
  EXPECT_EQ(DpiOfThisScreen(), expected);
}

TEST(MatrixCellTest, RunsWithTheTitleBarItAsksFor) {
  const char* expected = std::getenv("QUILLSET_E2E_CAPTION_HEIGHT");
  NONCLIENTMETRICSW metrics = {};
  metrics.cbSize = sizeof metrics;
  SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
  if (expected == nullptr || *expected == '\0')
    GTEST_SKIP() << "no title bar height asked for; this one is " << metrics.iCaptionHeight;
  EXPECT_EQ(std::to_string(metrics.iCaptionHeight), expected);
}

}  // namespace
}  // namespace quillset::e2e
