// Replays saved inputs through the fuzz targets' own property checks, so that what the fuzzers
// established keeps holding in every native test run: the hand-written seeds of
// fuzz/corpus/<target>/ and the inputs of past findings in fixtures/fuzz-regressions/<target>/.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "../../fuzz/command_runner_properties.h"
#include "../../fuzz/instance_inventory_properties.h"
#include "../../fuzz/instance_name_properties.h"
#include "../../fuzz/osql_answer_properties.h"
#include "../../fuzz/reg_text_properties.h"
#include "../../fuzz/service_checks_properties.h"
#include "../../fuzz/setup_command_properties.h"

namespace quillset {
namespace {

namespace fs = std::filesystem;

struct FuzzTarget {
  const char* name;
  void (*check)(std::string_view input);
};

const FuzzTarget kTargets[] = {
    {"reg_text", fuzz::reg_text::CheckInput},
    {"instance_inventory", fuzz::instance_inventory::CheckInput},
    {"osql_answer", fuzz::osql_answer::CheckInput},
    {"service_checks", fuzz::service_checks::CheckInput},
    {"command_runner", fuzz::command_runner::CheckInput},
    {"setup_command", fuzz::setup_command::CheckInput},
    {"instance_name", fuzz::instance_name::CheckInput},
};

void PrintTo(const FuzzTarget& target, std::ostream* out) {
  *out << target.name;
}

class PropertyViolated : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

[[noreturn]] void ThrowViolation(const char* condition, const char* what, const char* file,
                                 int line) {
  throw PropertyViolated(std::string(file) + ":" + std::to_string(line) + ": " + what + " (" +
                         condition + ")");
}

std::vector<fs::path> SavedInputs(const fs::path& folder) {
  std::vector<fs::path> inputs;
  if (!fs::is_directory(folder))
    return inputs;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    if (entry.is_regular_file())
      inputs.push_back(entry.path());
  }
  std::sort(inputs.begin(), inputs.end());
  return inputs;
}

std::string ReadBytes(const fs::path& file) {
  std::ifstream stream(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(stream), std::istreambuf_iterator<char>()};
}

class FuzzRegressions : public ::testing::TestWithParam<FuzzTarget> {
 protected:
  // A violated property fails the test here instead of aborting the whole run.
  void SetUp() override { fuzz::OnViolation() = ThrowViolation; }
  void TearDown() override { fuzz::OnViolation() = nullptr; }
};

TEST_P(FuzzRegressions, SavedInputsKeepEveryProperty) {
  const FuzzTarget& target = GetParam();
  const fs::path fixtures(QUILLSET_FIXTURE_DIR);
  std::vector<fs::path> inputs = SavedInputs(fixtures / "../../fuzz/corpus" / target.name);
  const std::vector<fs::path> regressions =
      SavedInputs(fixtures / "fuzz-regressions" / target.name);
  inputs.insert(inputs.end(), regressions.begin(), regressions.end());
  ASSERT_FALSE(inputs.empty()) << "no seeds for " << target.name;

  for (const fs::path& input : inputs) {
    try {
      target.check(ReadBytes(input));
    } catch (const PropertyViolated& violation) {
      ADD_FAILURE() << input.filename().string() << ": " << violation.what();
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Targets, FuzzRegressions, ::testing::ValuesIn(kTargets),
                         [](const ::testing::TestParamInfo<FuzzTarget>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
}  // namespace quillset
