// MSDE package detection: each of the four probes alone, what each must not accept, and the
// component-set probe reading its sixteen values once with the same result as reading them for
// every package.
#include "inspect/package_detection.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>

#include "inspect/registry_access.h"
#include "support/simulated_registry.h"

namespace quillset {
namespace {

using namespace platform;
using testing::SimulatedRegistry;

constexpr const char* kUninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr const char* kSetup = "SOFTWARE\\Microsoft\\MSSQLServer\\Setup";
constexpr const char* kComponentSet = "SOFTWARE\\Microsoft\\Microsoft SQL Server\\Component Set";

std::string Code(int slot) {
  return KnownMsdeProductCodes()[static_cast<std::size_t>(slot)];
}

PackageList Found(std::initializer_list<int> slots) {
  PackageList list{};
  for (int slot : slots)
    list[static_cast<std::size_t>(slot)] = std::to_string(slot);
  return list;
}

PackageList Detect(SimulatedRegistry& registry, std::string* setup_code = nullptr) {
  ProductCodeTable codes{};
  std::string setup = "stale";
  PackageList found = DetectMsdePackages(registry, codes, setup);
  EXPECT_EQ(codes, KnownMsdeProductCodes());
  EXPECT_EQ(registry.open_handles(), 0);
  if (setup_code != nullptr)
    *setup_code = setup;
  return found;
}

TEST(KnownMsdeProductCodes, SixteenUpperCaseGuidsWithoutBraces) {
  const ProductCodeTable& codes = KnownMsdeProductCodes();
  EXPECT_EQ(codes[0], "");
  EXPECT_EQ(codes[1], "E09B48B5-E141-427A-AB0C-D3605127224A");
  EXPECT_EQ(codes[12], "A5C1C914-4EF7-40ED-9BCE-FCEB4BB0C19D");
  EXPECT_EQ(codes[16], "CD59EA85-6CBF-4C08-BE59-6C628B3D8F54");
  for (int slot = 1; slot <= 16; ++slot) {
    const std::string& code = codes[static_cast<std::size_t>(slot)];
    ASSERT_EQ(code.size(), 36u) << slot;
    for (char c : code)
      EXPECT_TRUE(c == '-' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F'));
  }
}

TEST(InstallerProductKeyPath, PackedAsTheWindowsInstallerRegistersProducts) {
  // Office 2007's well-known product code and its registration key.
  EXPECT_EQ(InstallerProductKeyPath("90120000-0030-0000-0000-0000000FF1CE"),
            "Installer\\Products\\00002109030000000000000000F01FEC");
  EXPECT_EQ(InstallerProductKeyPath(Code(1)),
            "Installer\\Products\\5B84B90E141EA724BAC03D06157222A4");
  EXPECT_EQ(InstallerProductKeyPath("not a code"), "Installer\\Products\\not a code");
}

TEST(DetectMsdePackages, NothingRegistered) {
  SimulatedRegistry registry;
  std::string setup;
  EXPECT_EQ(Detect(registry, &setup), Found({}));
  EXPECT_EQ(setup, "");
}

// Each probe alone marks the slot of the code it finds, and only that slot.
TEST(DetectMsdePackages, EveryProbeAlone) {
  struct Case {
    const char* label;
    int slot;
    std::function<void(SimulatedRegistry&, int)> arrange;
  };
  const Case cases[] = {
      {"installer registration", 1,
       [](SimulatedRegistry& r, int s) {
         r.PutString(kHkeyClassesRoot, InstallerProductKeyPath(Code(s)), "ProductName", "MSDE");
       }},
      {"installer registration", 16,
       [](SimulatedRegistry& r, int s) {
         r.PutString(kHkeyClassesRoot, InstallerProductKeyPath(Code(s)), "ProductName", "MSDE");
       }},
      {"uninstall entry", 5,
       [](SimulatedRegistry& r, int s) {
         r.PutString(kHkeyLocalMachine, kUninstall + ("{" + Code(s) + "}"), "SqlInstanceName",
                     "GLOBANA");
       }},
      {"uninstall entry as number", 6,
       [](SimulatedRegistry& r, int s) {
         r.PutDword(kHkeyLocalMachine, kUninstall + ("{" + Code(s) + "}"), "SqlInstanceName", 0);
       }},
      {"setup record", 1,
       [](SimulatedRegistry& r, int s) {
         r.PutString(kHkeyLocalMachine, kSetup, "ProductCode", Code(s));
       }},
      {"component set 3", 3,
       [](SimulatedRegistry& r, int s) {
         r.PutString(kHkeyLocalMachine, kComponentSet, "InstanceComponentSet.3",
                     "{" + Code(s) + "}");
       }},
      {"component set 7", 3,
       [](SimulatedRegistry& r, int s) {
         r.PutString(kHkeyLocalMachine, kComponentSet, "InstanceComponentSet.7",
                     "{" + Code(s) + "}");
       }},
      {"component set 16", 12,
       [](SimulatedRegistry& r, int s) {
         r.PutString(kHkeyLocalMachine, kComponentSet, "InstanceComponentSet.16",
                     "{" + Code(s) + "}");
       }},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(std::string(test.label) + " " + std::to_string(test.slot));
    SimulatedRegistry registry;
    test.arrange(registry, test.slot);
    EXPECT_EQ(Detect(registry), Found({test.slot}));
  }
}

TEST(DetectMsdePackages, WhatTheProbesDoNotAccept) {
  struct Case {
    const char* label;
    std::function<void(SimulatedRegistry&)> arrange;
  };
  const Case cases[] = {
      {"installer key as one word",
       [](SimulatedRegistry& r) {
         r.PutString(kHkeyClassesRoot, "Installer\\Products" + Code(1), "ProductName", "MSDE");
       }},
      {"installer key with the plain code",
       [](SimulatedRegistry& r) {
         r.PutString(kHkeyClassesRoot, "Installer\\Products\\" + Code(1), "ProductName", "MSDE");
       }},
      {"installer registration under HKLM",
       [](SimulatedRegistry& r) {
         r.PutString(kHkeyLocalMachine, InstallerProductKeyPath(Code(1)), "ProductName", "MSDE");
       }},
      {"empty product name",
       [](SimulatedRegistry& r) {
         r.PutString(kHkeyClassesRoot, InstallerProductKeyPath(Code(1)), "ProductName", "");
       }},
      {"product name as REG_EXPAND_SZ",
       [](SimulatedRegistry& r) {
         r.PutValue(kHkeyClassesRoot, InstallerProductKeyPath(Code(1)), "ProductName", kRegExpandSz,
                    std::string("MSDE\0", 5));
       }},
      {"uninstall key without the value",
       [](SimulatedRegistry& r) {
         r.PutString(kHkeyLocalMachine, kUninstall + ("{" + Code(5) + "}"), "DisplayName", "x");
       }},
      {"uninstall key with empty value",
       [](SimulatedRegistry& r) {
         r.PutString(kHkeyLocalMachine, kUninstall + ("{" + Code(5) + "}"), "SqlInstanceName", "");
       }},
      {"uninstall key without braces",
       [](SimulatedRegistry& r) {
         r.PutString(kHkeyLocalMachine, kUninstall + Code(5), "SqlInstanceName", "GLOBANA");
       }},
      {"uninstall value as REG_MULTI_SZ",
       [](SimulatedRegistry& r) {
         r.PutMultiString(kHkeyLocalMachine, kUninstall + ("{" + Code(5) + "}"), "SqlInstanceName",
                          {"GLOBANA"});
       }},
      {"setup code in braces",
       [](SimulatedRegistry& r) {
         r.PutString(kHkeyLocalMachine, kSetup, "ProductCode", "{" + Code(1) + "}");
       }},
      {"setup code in lower case",
       [](SimulatedRegistry& r) {
         r.PutString(kHkeyLocalMachine, kSetup, "ProductCode",
                     "e09b48b5-e141-427a-ab0c-d3605127224a");
       }},
      {"setup code with a blank",
       [](SimulatedRegistry& r) {
         r.PutString(kHkeyLocalMachine, kSetup, "ProductCode", Code(1) + " ");
       }},
      {"component set in lower case",
       [](SimulatedRegistry& r) {
         r.PutString(kHkeyLocalMachine, kComponentSet, "InstanceComponentSet.1",
                     "{e09b48b5-e141-427a-ab0c-d3605127224a}");
       }},
      {"component set without braces",
       [](SimulatedRegistry& r) {
         r.PutString(kHkeyLocalMachine, kComponentSet, "InstanceComponentSet.1", Code(1));
       }},
      {"component set 0 and 17 are not read",
       [](SimulatedRegistry& r) {
         r.PutString(kHkeyLocalMachine, kComponentSet, "InstanceComponentSet.0",
                     "{" + Code(1) + "}");
         r.PutString(kHkeyLocalMachine, kComponentSet, "InstanceComponentSet.17",
                     "{" + Code(1) + "}");
       }},
      {"component set denied",
       [](SimulatedRegistry& r) {
         r.PutString(kHkeyLocalMachine, kComponentSet, "InstanceComponentSet.1",
                     "{" + Code(1) + "}");
         r.DenyAccess(kHkeyLocalMachine, kComponentSet);
       }},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.label);
    SimulatedRegistry registry;
    test.arrange(registry);
    EXPECT_EQ(Detect(registry), Found({}));
  }
}

TEST(DetectMsdePackages, SetupProductCodeKeepsWhatWasRead) {
  SimulatedRegistry registry;
  std::string setup;
  registry.PutString(kHkeyLocalMachine, kSetup, "ProductCode", "{" + Code(2) + "}");
  Detect(registry, &setup);
  EXPECT_EQ(setup, "{" + Code(2) + "}");
  registry.PutDword(kHkeyLocalMachine, kSetup, "ProductCode", 1234);
  Detect(registry, &setup);
  EXPECT_EQ(setup, "1234");
  registry.DeleteValue(kHkeyLocalMachine, kSetup, "ProductCode");
  Detect(registry, &setup);
  EXPECT_EQ(setup, "");
}

TEST(DetectMsdePackages, PackageFoundByEveryProbeIsListedOnce) {
  SimulatedRegistry registry;
  registry.PutString(kHkeyClassesRoot, InstallerProductKeyPath(Code(9)), "ProductName", "MSDE");
  registry.PutString(kHkeyLocalMachine, kUninstall + ("{" + Code(9) + "}"), "SqlInstanceName",
                     "GLOBANA");
  registry.PutString(kHkeyLocalMachine, kSetup, "ProductCode", Code(9));
  for (int j = 1; j <= 16; ++j) {
    registry.PutString(kHkeyLocalMachine, kComponentSet,
                       "InstanceComponentSet." + std::to_string(j), "{" + Code(9) + "}");
  }
  EXPECT_EQ(Detect(registry), Found({9}));
}

TEST(DetectMsdePackages, FixtureMachines) {
  SimulatedRegistry two;
  two.LoadRegFile(QUILLSET_FIXTURE_DIR "/machine_two_instances.reg");
  EXPECT_EQ(Detect(two), Found({1, 2}));

  SimulatedRegistry sixteen;
  sixteen.LoadRegFile(QUILLSET_FIXTURE_DIR "/machine_sixteen.reg");
  EXPECT_EQ(Detect(sixteen), Found({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}));

  SimulatedRegistry ansi;
  ansi.LoadRegFile(QUILLSET_FIXTURE_DIR "/machine_regedit4_ansi.reg");
  EXPECT_EQ(Detect(ansi), Found({5}));
}

// The component-set probe in its plain form: for every package, all sixteen values read again.
PackageList ComponentSetProbeReadingEveryValueForEveryPackage(RegistryPort& registry) {
  PackageList found{};
  for (int i = 1; i <= 16; ++i) {
    for (int j = 1; j <= 16; ++j) {
      if (ReadRegistryValue(registry, kHkeyLocalMachine, kComponentSet,
                            "InstanceComponentSet." + std::to_string(j)) == "{" + Code(i) + "}") {
        found[static_cast<std::size_t>(i)] = std::to_string(i);
      }
    }
  }
  return found;
}

TEST(DetectMsdePackages, ComponentSetsReadOnceGiveTheSameResultAsReadForEveryPackage) {
  std::mt19937 random(20240611);
  const auto pick = [&](int count) {
    return static_cast<int>(random() % static_cast<unsigned>(count));
  };
  for (int machine = 0; machine < 60; ++machine) {
    SCOPED_TRACE(machine);
    SimulatedRegistry registry;
    for (int j = 1; j <= 16; ++j) {
      const std::string name = "InstanceComponentSet." + std::to_string(j);
      const std::string code = Code(1 + pick(16));
      switch (pick(7)) {
        case 0:
          break;  // absent
        case 1:
        case 2:
          registry.PutString(kHkeyLocalMachine, kComponentSet, name, "{" + code + "}");
          break;
        case 3:
          registry.PutString(kHkeyLocalMachine, kComponentSet, name, code);
          break;
        case 4:
          registry.PutDword(kHkeyLocalMachine, kComponentSet, name, random());
          break;
        case 5:
          registry.PutValue(kHkeyLocalMachine, kComponentSet, name, kRegMultiSz,
                            "{" + code + "}" + std::string(2, '\0'));
          break;
        default:
          registry.PutString(kHkeyLocalMachine, kComponentSet, name, "{" + code);
          break;
      }
    }
    EXPECT_EQ(Detect(registry), ComponentSetProbeReadingEveryValueForEveryPackage(registry));
  }
}

TEST(DetectMsdePackages, ReadsEachComponentSetValueOnce) {
  SimulatedRegistry registry;
  for (int j = 1; j <= 16; ++j) {
    registry.PutString(kHkeyLocalMachine, kComponentSet,
                       "InstanceComponentSet." + std::to_string(j), "{" + Code(j) + "}");
  }
  Detect(registry);
  // Probes 1 and 2 find no key (one open each), probe 3 neither; each component-set value is
  // opened, asked for its size, read and closed.
  EXPECT_EQ(registry.port_calls(), 16 + 16 + 1 + 16 * 4);
}

}  // namespace
}  // namespace quillset
