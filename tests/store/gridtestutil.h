#pragma once

#include <gtest/gtest.h>

#include <string_view>

#include "grid.h"

namespace wypelniak::testing {

// A grid from its text form, which the test means to be valid.
inline Grid GridOf(std::string_view text) {
  const GridTextResult r = ParseGridText(text);
  EXPECT_EQ(r.error, GridTextError::None) << DescribeGridTextError(r) << "\n" << text;
  return r.grid;
}

}  // namespace wypelniak::testing
