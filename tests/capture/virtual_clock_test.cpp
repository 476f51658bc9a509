// virtual_clock_test.cpp -- timeGetTime and the music position follow the virtual clock, nothing plays
#include <gtest/gtest.h>
#include <windows.h>

#include <mmsystem.h>

#include <chrono>
#include <thread>

#include "fmod.h"
#include "platform/testing/virtual_clock.h"
#include "tests/capture/media_probe.h"

namespace {

class VirtualClockTest : public ::testing::Test {
 protected:
  void TearDown() override {
    FSOUND_Close();
    platform_clock::UseRealClock();
  }
};

TEST_F(VirtualClockTest, BothClocksAnswerTheVirtualTimeAndStandStillBetweenSettings) {
  probe::RunDirectory dir;
  ASSERT_TRUE(probe::WriteClickTrack(dir.File("music.wav"), 44100, 2.0, {}));
  platform_clock::UseVirtualClock(1234);
  ASSERT_NE(0, FSOUND_Init(44100, 64, 0));
  FSOUND_STREAM* stream = FSOUND_Stream_Open(dir.File("music.wav").c_str(), FSOUND_LOOP_OFF, 0, 0);
  ASSERT_NE(nullptr, stream);
  ASSERT_NE(-1, FSOUND_Stream_Play(FSOUND_FREE, stream));

  EXPECT_EQ(1234u, timeGetTime());
  EXPECT_EQ(1234, FSOUND_Stream_GetTime(stream));
  // Nothing plays: real time passing moves neither clock.
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  EXPECT_EQ(1234u, timeGetTime());
  EXPECT_EQ(1234, FSOUND_Stream_GetTime(stream));

  struct Step {
    bool advance;
    uint32_t ms;
    uint32_t systemMs;  // timeGetTime
    int musicMs;        // FSOUND_Stream_GetTime: held at the music's end, as a finished stream is
  } steps[] = {
      {false, 0, 0, 0},          {true, 16, 16, 16},         {true, 17, 33, 33},
      {false, 1999, 1999, 1999}, {false, 2000, 2000, 2000},  {false, 2500, 2500, 2000},
      {true, 100, 2600, 2000},   {false, 500, 500, 500},
  };
  for (const Step& s : steps) {
    if (s.advance) {
      platform_clock::AdvanceVirtualClock(s.ms);
    } else {
      platform_clock::UseVirtualClock(s.ms);
    }
    EXPECT_EQ(s.systemMs, timeGetTime()) << s.ms;
    EXPECT_EQ(s.musicMs, FSOUND_Stream_GetTime(stream)) << s.ms;
  }
  EXPECT_EQ(2000, FSOUND_Stream_GetLengthMs(stream));
  FSOUND_Stream_Close(stream);
}

TEST_F(VirtualClockTest, TheRealClockRunsAgainAfterwards) {
  platform_clock::UseVirtualClock(5);
  EXPECT_TRUE(platform_clock::VirtualClockActive());
  platform_clock::UseRealClock();
  EXPECT_FALSE(platform_clock::VirtualClockActive());
  DWORD before = timeGetTime();
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  DWORD after = timeGetTime();
  EXPECT_GE(after - before, 25u);
  platform_clock::AdvanceVirtualClock(1000);  // ignored while off
  EXPECT_FALSE(platform_clock::VirtualClockActive());
}

}  // namespace
