// The start-up inventory: what the window's state holds before the window is first shown.
#include "app/startup_inventory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iostream>

#include "inspect/package_detection.h"
#include "support/simulated_registry.h"
#include "support/simulated_system.h"

namespace quillset {
namespace {

using testing::SimulatedRegistry;
using testing::SimulatedSystem;

TEST(TakeStartupInventory, EmptyMachine) {
  SimulatedRegistry registry;
  SimulatedSystem system;
  MainWindowState state;
  TakeStartupInventory(registry, system, state);
  EXPECT_EQ(state.InstanceCount, 0);
  EXPECT_EQ(state.InstanceNames, InstanceList{});
  EXPECT_EQ(state.FoundPackages, PackageList{});
  EXPECT_EQ(state.MsdeProductCodes, KnownMsdeProductCodes());
  EXPECT_EQ(state.SetupProductCode, "");
  EXPECT_EQ(state.ComputerName, "ARBEITSPLATZ7");
  EXPECT_EQ(registry.open_handles(), 0);
  std::cout << "[ measured ] registry port calls of one start-up inventory, empty machine: "
            << registry.port_calls() << "\n";
}

TEST(TakeStartupInventory, MachineWithTwoInstances) {
  SimulatedRegistry registry;
  registry.LoadRegFile(QUILLSET_FIXTURE_DIR "/machine_two_instances.reg");
  SimulatedSystem system;
  MainWindowState state;
  TakeStartupInventory(registry, system, state);
  EXPECT_EQ(state.InstanceCount, 2);
  EXPECT_EQ(state.InstanceNames[1], "MSSQLSERVER");
  EXPECT_EQ(state.InstanceNames[2], "GLOBANA");
  EXPECT_EQ(state.InstanceNames[3], "");
  EXPECT_EQ(state.FoundPackages[1], "1");
  EXPECT_EQ(state.FoundPackages[2], "2");
  EXPECT_EQ(state.FoundPackages[3], "");
  EXPECT_EQ(state.SetupProductCode, KnownMsdeProductCodes()[2]);
  // Nothing else in the state is touched.
  EXPECT_EQ(state.NewInstanceName, "");
  EXPECT_EQ(state.TargetFolder, "");
}

TEST(TakeStartupInventory, MachineWithSixteenInstancesAndPackages) {
  SimulatedRegistry registry;
  registry.LoadRegFile(QUILLSET_FIXTURE_DIR "/machine_sixteen.reg");
  SimulatedSystem system;
  MainWindowState state;
  TakeStartupInventory(registry, system, state);
  EXPECT_EQ(state.InstanceCount, 16);
  for (int slot = 1; slot <= 16; ++slot) {
    EXPECT_EQ(state.FoundPackages[static_cast<std::size_t>(slot)], std::to_string(slot));
  }
  EXPECT_EQ(registry.open_handles(), 0);
  std::cout << "[ measured ] registry port calls of one start-up inventory, 16 instances and 16 "
               "packages: "
            << registry.port_calls() << "\n";
}

// A computer-name call that answers as the test arranges it.
class NameSystem : public SimulatedSystem {
 public:
  std::function<bool(char*, std::uint32_t&)> answer;
  std::uint32_t capacity_seen = 0;
  bool GetComputerNameA(char* buffer, std::uint32_t& size) override {
    capacity_seen = size;
    return answer(buffer, size);
  }
};

TEST(GetLocalComputerName, TextBeforeTheFirstNul) {
  struct Case {
    const char* label;
    std::function<bool(char*, std::uint32_t&)> answer;
    std::string expected;
  };
  const Case cases[] = {
      {"fifteen characters",
       [](char* b, std::uint32_t& s) {
         std::memcpy(b, "ABCDEFGHIJKLMNO", 16);
         s = 15;
         return true;
       },
       "ABCDEFGHIJKLMNO"},
      {"size handed back is not used",
       [](char* b, std::uint32_t& s) {
         std::memcpy(b, "PC", 3);
         s = 200;
         return true;
       },
       "PC"},
      {"failure",
       [](char* b, std::uint32_t&) {
         std::memcpy(b, "HALF", 5);
         return false;
       },
       ""},
      {"buffer filled to the end without NUL",
       [](char* b, std::uint32_t& s) {
         std::memset(b, 'X', s);
         return true;
       },
       std::string(256, 'X')},
      {"umlaut",
       [](char* b, std::uint32_t& s) {
         std::memcpy(b,
                     "K\xc3\xbc"
                     "CHE",
                     7);
         s = 6;
         return true;
       },
       "K\xc3\xbc"
       "CHE"},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.label);
    NameSystem system;
    system.answer = test.answer;
    EXPECT_EQ(GetLocalComputerName(system), test.expected);
    EXPECT_EQ(system.capacity_seen, 256u);
  }
}

}  // namespace
}  // namespace quillset
