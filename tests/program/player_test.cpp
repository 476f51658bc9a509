// player_test.cpp -- the player around the demo: --from starts the music and the first frame at
// the chosen time, --av-offset moves the picture by its milliseconds, and closing the player's
// window ends the show without destroying the window under the device
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "fmod.h"
#include "platform/testing/testing.h"
#include "platform/services/virtual_clock.h"
#include "src/program/player.h"
#include "src/program/player_window.h"
#include "src/program/demo_program.h"
#include "src/script/demo_script_instance.h"
#include "src/device/device.h"
#include "tests/program/program_fixture.h"
#include "tests/support/picture.h"

namespace {

using testsupport::MeanDifference;

using programtest::BackBuffer;

// One frame at virtual music time ms, read back.
testsupport::Picture FrameAt(Device* device, uint32_t ms) {
  platform_clock::UseVirtualClock(ms);
  RunDemoFrame(device);
  return BackBuffer(device);
}

class PlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform_testing::Reset();
    platform_testing::CaptureMessageBoxes(true);
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    home = cwd;
    ASSERT_EQ(chdir(QOLA_SOURCE_DIR "/demo"), 0);
    device = Device::Instance();
    ASSERT_NE(device, nullptr);
    ASSERT_EQ(CreatePlayerDevice(device, PlayerOptions::Display::kWindow, 1024, 768), 1);
  }
  void TearDown() override {
    platform_clock::UseRealClock();
    StopDemo();
    if (!home.empty()) {
      EXPECT_EQ(chdir(home.c_str()), 0);
    }
    platform_testing::Reset();
  }
  std::string home;
  Device* device = nullptr;
};

// The music waits through the loading; the first frame is drawn at the start time and shows
// what the frame of that time shows (the capture's virtual clock renders it).
TEST_F(PlayerTest, FromStartsMusicAndFirstFrameAtTheTime) {
  ASSERT_TRUE(StartDemo(device, /*holdMusic=*/true));
  ASSERT_NE(demoScript.stream, nullptr);
  EXPECT_EQ(FSOUND_Stream_GetTime(demoScript.stream), 0) << "the held music does not play during loading";
  PlayerOptions options;
  options.hasFrom = true;
  options.fromMs = 60000;
  ASSERT_TRUE(StartMusicForPlayer(options));
  int before = FSOUND_Stream_GetTime(demoScript.stream);
  RunDemoFrame(device);
  int after = FSOUND_Stream_GetTime(demoScript.stream);
  const testsupport::Picture live = BackBuffer(device);
  EXPECT_GE(before, 60000);
  EXPECT_LE(before, 60000 + 50) << "the first frame's time came long after the start";
  EXPECT_GE(after, before);

  const testsupport::Picture at60000 = FrameAt(device, 60000);
  const testsupport::Picture at60500 = FrameAt(device, 60500);
  double same = MeanDifference(live, at60000), other = MeanDifference(live, at60500);
  EXPECT_LT(same, 3.0) << "the first frame against the frame of 60000 (drawn at " << before << ".." << after << ")";
  EXPECT_GT(other, same * 2) << "half a second later looks different: the comparison can tell";

  // Beyond the music's end: refused, the music stays where it was.
  options.fromMs = static_cast<uint32_t>(FSOUND_Stream_GetLengthMs(demoScript.stream)) + 1;
  platform_clock::UseRealClock();
  EXPECT_FALSE(StartMusicForPlayer(options));
}

// The picture at heard position t with offset d is the picture of t - d without it; the offset
// keeps to -500..500 and is cleared with the sound library.
TEST_F(PlayerTest, AvOffsetShowsThePictureOfTheEarlierTime) {
  ASSERT_TRUE(StartDemo(device));
  struct Case {
    uint32_t heardMs;
    int offsetMs;
  };
  // The sphere morphing; the drop's first sprite against the black before it; pig against snake.
  const Case cases[] = {{61000, 250}, {32100, 200}, {39900, -300}, {100, 400}};
  for (const Case& c : cases) {
    ASSERT_TRUE(FSOUND_SetAVOffset(c.offsetMs));
    platform_clock::UseVirtualClock(c.heardMs);
    int reported = FSOUND_Stream_GetTime(demoScript.stream);
    const testsupport::Picture shifted = FrameAt(device, c.heardMs);
    ASSERT_TRUE(FSOUND_SetAVOffset(0));
    uint32_t shown = c.heardMs > static_cast<uint32_t>(std::max(c.offsetMs, 0)) ? c.heardMs - c.offsetMs : 0;
    EXPECT_EQ(reported, static_cast<int>(shown)) << c.heardMs << " - " << c.offsetMs;
    const testsupport::Picture plain = FrameAt(device, shown);
    const testsupport::Picture unshifted = FrameAt(device, c.heardMs);
    EXPECT_LT(MeanDifference(shifted, plain), 0.5) << "at " << c.heardMs << " with offset " << c.offsetMs;
    if (c.heardMs > 1000) {
      EXPECT_GT(MeanDifference(shifted, unshifted), 1.0) << "the offset moved nothing at " << c.heardMs;
    }
  }
  EXPECT_FALSE(FSOUND_SetAVOffset(501));
  EXPECT_FALSE(FSOUND_SetAVOffset(-501));
}

TEST_F(PlayerTest, ClosingThePlayersWindowEndsTheShowAndKeepsTheWindow) {
  EXPECT_FALSE(PlayerWindowClosed());
  ASSERT_TRUE(PostMessageA(device->window, WM_CLOSE, 0, 0));
  device->PumpMessages();
  EXPECT_TRUE(PlayerWindowClosed());
  EXPECT_TRUE(IsWindow(device->window)) << "the device's window must live until the shutdown";
  EXPECT_EQ(RunPlayerFrames(device), 0u) << "no frame after the window was closed";
}

}  // namespace
