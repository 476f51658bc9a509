// virtual_clock_test.cpp -- the clock override: timeGetTime and the music position answer one time
#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>
#include <windows.h>

#include <mmsystem.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "fmod.h"
#include "platform/services/virtual_clock.h"

namespace {

// Two seconds of quiet stereo WAV.
std::string WriteMusic() {
  std::string path = ::testing::TempDir() + "qola_virtual_clock_" + std::to_string(getpid()) + ".wav";
  SF_INFO info{};
  info.samplerate = 44100;
  info.channels = 2;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  EXPECT_NE(file, nullptr) << sf_strerror(nullptr);
  if (!file) return path;
  std::vector<float> frames(2 * 44100 * 2, 0.0f);
  sf_writef_float(file, frames.data(), 2 * 44100);
  sf_close(file);
  return path;
}

class VirtualClockTest : public ::testing::Test {
 protected:
  void TearDown() override {
    FSOUND_Close();
    platform_clock::UseRealClock();
    if (!music.empty()) std::remove(music.c_str());
  }
  std::string music;
};

TEST_F(VirtualClockTest, BothClocksAnswerTheVirtualTimeAndStandStillBetweenSettings) {
  music = WriteMusic();
  platform_clock::UseVirtualClock(1234);
  ASSERT_NE(0, FSOUND_Init(44100, 64, 0));
  FSOUND_STREAM* stream = FSOUND_Stream_Open(music.c_str(), FSOUND_LOOP_OFF, 0, 0);
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

TEST_F(VirtualClockTest, TheSystemClockHoldsAnyValueAndWrapsAsThe32BitClockDoes) {
  for (uint32_t ms : {0u, 125u, 126u, 4294967295u}) {
    platform_clock::UseVirtualClock(ms);
    EXPECT_EQ(ms, timeGetTime());
    EXPECT_EQ(ms, timeGetTime()) << "a set clock does not run";
    uint32_t now = 1;
    EXPECT_TRUE(platform_clock::VirtualClockNow(&now));
    EXPECT_EQ(ms, now);
  }
  platform_clock::AdvanceVirtualClock(2);  // from 2^32 - 1
  EXPECT_EQ(1u, timeGetTime());
}

TEST_F(VirtualClockTest, TheRealClockRunsAgainAfterwards) {
  platform_clock::UseVirtualClock(5);
  EXPECT_TRUE(platform_clock::VirtualClockActive());
  platform_clock::UseRealClock();
  EXPECT_FALSE(platform_clock::VirtualClockActive());
  uint32_t ignored = 0;
  EXPECT_FALSE(platform_clock::VirtualClockNow(&ignored));
  DWORD before = timeGetTime();
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  DWORD after = timeGetTime();
  EXPECT_GE(after - before, 25u);
  platform_clock::AdvanceVirtualClock(1000);  // ignored while off
  EXPECT_FALSE(platform_clock::VirtualClockActive());
}

}  // namespace
