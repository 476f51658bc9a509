// effect_test.cpp -- Device::LoadEffect: a compiled effect is registered; failures show one "Eek!"
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "platform/testing/testing.h"
#include "src/device/device.h"
#include "src/device/effect.h"

namespace {

std::string FxPath(const char* name) { return std::string(QOLA_SOURCE_DIR) + "/tests/data/fx/" + name; }

class LoadEffectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform_testing::Reset();
    platform_testing::CaptureMessageBoxes(true);
    device = Device::Instance();
    ASSERT_EQ(device->Create(320, 240, 1, nullptr), 1);
  }
  void TearDown() override {
    Device::DeleteInstance();
    platform_testing::Reset();
  }
  Device* device = nullptr;
};

TEST_F(LoadEffectTest, CompiledEffectIsRegistered) {
  uint32_t before = device->resources.count;
  Effect* effect = device->LoadEffect(FxPath("two_pass.fx").c_str());
  ASSERT_NE(nullptr, effect);
  EXPECT_NE(nullptr, effect->effect);
  EXPECT_EQ(device->device, effect->device);
  EXPECT_EQ(before + 1, device->resources.count);
  EXPECT_TRUE(platform_testing::MessageBoxes().empty());
}

TEST_F(LoadEffectTest, FailuresShowOneEekNamingTheFile) {
  struct Case {
    std::string file;
    std::string expected;  // in the message text
  } cases[] = {
      {FxPath("syntax_error.fx"), "syntax_error.fx(4): error: expected ';'"},
      {FxPath("glsl_error.fx"), "glsl_error.fx(12)"},
      {"media/no-such-effect.fx", "\"media/no-such-effect.fx\""},
  };
  for (const Case& c : cases) {
    platform_testing::ClearMessageBoxes();
    uint32_t before = device->resources.count;
    EXPECT_EQ(nullptr, device->LoadEffect(c.file.c_str())) << c.file;
    EXPECT_EQ(before, device->resources.count);
    const auto& boxes = platform_testing::MessageBoxes();
    ASSERT_EQ(1u, boxes.size()) << c.file;
    EXPECT_EQ("Eek!", boxes[0].caption);
    EXPECT_NE(std::string::npos, boxes[0].text.find(c.expected)) << boxes[0].text;
  }
}

}  // namespace
