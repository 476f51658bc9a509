// program_fixture.h -- what the program's tests share: the demo's back buffer as a picture
#pragma once

#include <gtest/gtest.h>

#include "src/device/device.h"
#include "tests/support/picture.h"

namespace programtest {

inline testsupport::Picture BackBuffer(Device* device) {
  testsupport::Picture picture;
  EXPECT_TRUE(testsupport::ReadBackBuffer(device->device, &picture));
  return picture;
}

}  // namespace programtest
