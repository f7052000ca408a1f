// How long the start-up inventory takes and how many registry calls it makes, on the real
// registry under Wine: a machine with 16 instances and 16 MSDE packages registered
// (tests/fixtures/machine_sixteen.reg) against an empty one. The registry trees the fixture
// touches are put back as they were at the end.
//
//   startup_inventory [RUNS]      inventories per machine (50 when not given)
//
// Prints RESULT startup_inventory_sixteen_ms and RESULT startup_inventory_empty_ms, one line per
// run, and the registry calls of one inventory of each machine; exit code 2 when the
// measurement could not be made.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <stdexcept>
#include <string>

#include "app/main_window_state.h"
#include "app/startup_inventory.h"
#include "driver/wine_machine.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_system.h"
#include "support/clock.h"

namespace {

using namespace quillset;
using bench::NowMs;

// Passes every call on to the real registry and counts it.
class CountingRegistry : public platform::RegistryPort {
 public:
  explicit CountingRegistry(platform::RegistryPort& real) : real_(real) {}
  int calls() const { return calls_; }
  void Reset() { calls_ = 0; }

  std::int32_t OpenKey(platform::RegistryKeyHandle root, const std::string& path,
                       std::uint32_t access, platform::RegistryKeyHandle& key) override {
    ++calls_;
    return real_.OpenKey(root, path, access, key);
  }
  std::int32_t CreateKey(platform::RegistryKeyHandle root, const std::string& path,
                         std::uint32_t access, platform::RegistryKeyHandle& key) override {
    ++calls_;
    return real_.CreateKey(root, path, access, key);
  }
  std::int32_t QueryValue(platform::RegistryKeyHandle key, const std::string& name,
                          std::uint32_t& type, char* data, std::uint32_t& size) override {
    ++calls_;
    return real_.QueryValue(key, name, type, data, size);
  }
  std::int32_t SetValue(platform::RegistryKeyHandle key, const std::string& name,
                        std::uint32_t type, const char* data, std::uint32_t size) override {
    ++calls_;
    return real_.SetValue(key, name, type, data, size);
  }
  std::int32_t CloseKey(platform::RegistryKeyHandle key) override {
    ++calls_;
    return real_.CloseKey(key);
  }

 private:
  platform::RegistryPort& real_;
  int calls_ = 0;
};

// One inventory, timed; `expected_instances` guards against measuring a machine other than meant.
double TimedInventory(CountingRegistry& registry, platform::SystemPort& system,
                      int expected_instances) {
  MainWindowState state;
  registry.Reset();
  const double started = NowMs();
  TakeStartupInventory(registry, system, state);
  const double elapsed = NowMs() - started;
  if (state.InstanceCount != expected_instances) {
    throw std::runtime_error("the inventory found " + std::to_string(state.InstanceCount) +
                             " instances, not " + std::to_string(expected_instances));
  }
  return elapsed;
}

void Measure(const char* machine, int expected_instances, int runs, CountingRegistry& registry,
             platform::SystemPort& system) {
  TimedInventory(registry, system, expected_instances);  // unmeasured: caches warm
  for (int run = 0; run < runs; ++run) {
    std::printf("RESULT startup_inventory_%s_ms %.3f ms\n", machine,
                TimedInventory(registry, system, expected_instances));
  }
  std::printf("RESULT startup_inventory_%s_registry_calls %d count\n", machine, registry.calls());
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::atoi(argv[1]) : 50;
  try {
    const e2e::RegistrySnapshot snapshot(e2e::SqlServerRegistryTrees());
    win32::Win32Registry real;
    CountingRegistry registry(real);
    win32::Win32System system;

    e2e::ClearSqlServerRegistry();
    Measure("empty", 0, runs, registry, system);
    e2e::ApplyRegFixture("machine_sixteen.reg");
    Measure("sixteen", 16, runs, registry, system);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "startup_inventory: %s\n", error.what());
    return 2;
  }
  return 0;
}
