// A failure raised with a number, as an automation component or the language runtime raises one,
// and every number the assistant raises. The installation's failure handler shows the number.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace quillset::platform {

class PlatformFailure : public std::runtime_error {
 public:
  PlatformFailure(std::int32_t number, const std::string& what)
      : std::runtime_error(what), number_(number) {}
  std::int32_t number() const { return number_; }

 private:
  std::int32_t number_;
};

inline constexpr std::int32_t kFailureOutOfMemory = 7;
inline constexpr std::int32_t kFailureSubscriptOutOfRange = 9;  // e.g. no free MSDE package left
inline constexpr std::int32_t kFailureInternal = 51;
inline constexpr std::int32_t kFailureCannotCreateComponent = 429;  // the folder test's component
inline constexpr std::int32_t kFailureComponentCallFailed = 438;

}  // namespace quillset::platform
