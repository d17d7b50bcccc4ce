#pragma once

#include "platform.h"

// What the system-specific file layers (linux/platform.cpp,
// windows/platform.cpp) share with the common part (platform.cpp): the hook
// through which a test makes a file step fail. Not for use outside them.
namespace wypelniak::platform::detail {

// The error the test's hook gives for step, or nothing.
std::error_code Fault(FileStep step);

}  // namespace wypelniak::platform::detail
