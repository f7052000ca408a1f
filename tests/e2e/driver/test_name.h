// The running GoogleTest test's name, for the scratch folder it works in.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace quillset::e2e {

inline std::string CurrentTestName() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  return std::string(info->test_suite_name()) + "." + info->name();
}

}  // namespace quillset::e2e
