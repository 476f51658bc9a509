// arguments_test.cpp -- the command lines' numbers: only plain decimal digits within the bounds
#include <gtest/gtest.h>

#include <cstdint>

#include "tools/arguments/numbers.h"

namespace {

TEST(Arguments, WholeNumbersAreDigitsAloneWithinTheirBounds) {
  uint32_t ms = 7;
  EXPECT_TRUE(arguments::ParseMs("0", &ms));
  EXPECT_EQ(ms, 0u);
  EXPECT_TRUE(arguments::ParseMs("4294967295", &ms));
  EXPECT_EQ(ms, 4294967295u);
  // strtoull would take each of these (negating "-1" to 2^64 - 1, skipping the space, stopping
  // at the suffix); the command line must refuse them and leave the value alone.
  ms = 7;
  for (const char* bad : {"", "-1", "+5", " 5", "5 ", "0x10", "1e3", "12ms", "4294967296", "99999999999999999999999"})
    EXPECT_FALSE(arguments::ParseMs(bad, &ms)) << '"' << bad << '"';
  EXPECT_FALSE(arguments::ParseMs(nullptr, &ms));
  EXPECT_EQ(ms, 7u);

  uint64_t n = 0;
  EXPECT_TRUE(arguments::ParseWhole("240", 240, &n));
  EXPECT_EQ(n, 240u);
  EXPECT_FALSE(arguments::ParseWhole("241", 240, &n));
}

TEST(Arguments, SizesAreTwoBoundedSidesAroundOneX) {
  int w = 0, h = 0;
  EXPECT_TRUE(arguments::ParseSize("640x480", 16, 8192, &w, &h));
  EXPECT_EQ(w, 640);
  EXPECT_EQ(h, 480);
  w = h = 1;
  for (const char* bad : {"640", "x480", "640x", "640x480x2", "640X480", "640x-480", "8x8", "8193x600", " 640x480"})
    EXPECT_FALSE(arguments::ParseSize(bad, 16, 8192, &w, &h)) << '"' << bad << '"';
  EXPECT_FALSE(arguments::ParseSize(nullptr, 16, 8192, &w, &h));
  EXPECT_EQ(w, 1);
  EXPECT_EQ(h, 1);
}

}  // namespace
