// fmod_clock_test.cpp -- the music clock: what the listener hears, read without waiting, and the virtual clock
#include <SDL.h>
#include <gtest/gtest.h>
#include <sndfile.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "fmod.h"
#include "platform/services/virtual_clock.h"
#include "platform/fmod/fmod_stream.h"
#include "platform/testing/testing.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRate = 44100;

std::string WriteWav(const std::string& name, double seconds) {
  std::string path = ::testing::TempDir() + "qola_clock_" + std::to_string(getpid()) + "_" + name;
  SF_INFO info{};
  info.samplerate = kRate;
  info.channels = 2;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  EXPECT_NE(file, nullptr) << sf_strerror(nullptr);
  if (!file) return path;
  std::vector<float> samples(static_cast<size_t>(seconds * kRate) * 2);
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = 0.2f * static_cast<float>(std::sin(i * 0.03));
  sf_writef_float(file, samples.data(), static_cast<sf_count_t>(samples.size() / 2));
  sf_close(file);
  return path;
}

// The mixer's view, driven by hand: a block taken at t0 is heard one device buffer later.
TEST(FmodClock, HeardPositionTrailsWhatTheMixerTookByTheDeviceBuffer) {
  std::string path = WriteWav("heard.wav", 1.0);
  int error = 0;
  std::string reason;
  fsound::Stream* stream = fsound::Stream::Open(path, kRate, &error, &reason);
  ASSERT_NE(stream, nullptr) << reason;
  std::vector<float> block(1024 * 2);
  Clock::time_point t0 = Clock::now();
  auto at = [&](int ms) { return t0 + std::chrono::milliseconds(ms); };
  ASSERT_TRUE(stream->Mix(block.data(), 1024, t0));
  struct Case {
    int ms;
    uint64_t latency;
    uint64_t expected;
  };
  // 1024 frames of latency are 23.2 ms at 44.1 kHz.
  const Case cases[] = {
      {0, 1024, 0},   {10, 1024, 0},          {30, 1024, 1323 - 1024}, {40, 1024, 1764 - 1024},
      {100, 1024, 1024},  // everything handed over has been heard; no further
      {20, 1024, 1024},   // an earlier time never takes the position back
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.expected, stream->HeardFrames(at(c.ms), c.latency)) << c.ms << " ms after the block";
  }
  // The next block continues from there.
  ASSERT_TRUE(stream->Mix(block.data(), 1024, at(23)));
  EXPECT_EQ(1024u + 1323u - 1024u, stream->HeardFrames(at(53), 1024));
  stream->Rewind();
  EXPECT_EQ(0u, stream->HeardFrames(at(60), 1024)) << "Rewind starts again from 0";
  delete stream;
  unlink(path.c_str());
}

// The program's thread reads while the mixer writes as fast as it can: every read is whole
// (never more than was handed over) and none goes back.
TEST(FmodClock, ReadsNeverTearNorGoBackWhileTheMixerRuns) {
  std::string path = WriteWav("race.wav", 4.0);
  int error = 0;
  std::string reason;
  fsound::Stream* stream = fsound::Stream::Open(path, kRate, &error, &reason);
  ASSERT_NE(stream, nullptr) << reason;
  std::atomic<bool> stop{false};
  std::atomic<uint64_t> handed{0};
  std::thread mixer([&] {
    std::vector<float> block(64 * 2);
    Clock::time_point t = Clock::now();
    while (!stop.load() && stream->Mix(block.data(), 64, t)) {
      handed.fetch_add(64);
      t += std::chrono::microseconds(1451);  // 64 frames
    }
  });
  uint64_t previous = 0;
  for (int i = 0; i < 200000; ++i) {
    uint64_t heard = stream->HeardFrames(Clock::now() + std::chrono::hours(1), 0);
    uint64_t limit = handed.load() + 64;  // read after: the block being mixed may be counted
    ASSERT_GE(heard, previous);
    ASSERT_LE(heard, limit);
    previous = heard;
  }
  stop = true;
  mixer.join();
  delete stream;
  unlink(path.c_str());
}

// SDL's disk driver writes the mixed sound to a file as a device would play it, in real time:
// the position reported never runs ahead of what the file holds.
TEST(FmodClock, ReportedPositionNeverRunsAheadOfWhatTheDeviceConsumed) {
  platform_testing::Reset();
  std::string out = ::testing::TempDir() + "qola_clock_" + std::to_string(getpid()) + "_disk.raw";
  setenv("SDL_AUDIODRIVER", "disk", 1);
  setenv("SDL_DISKAUDIOFILE", out.c_str(), 1);
  std::string path = WriteWav("disk.wav", 2.0);
  FSOUND_SetOutput(-1);
  ASSERT_TRUE(FSOUND_Init(kRate, 8, 0));
  FSOUND_STREAM* stream = FSOUND_Stream_Open(path.c_str(), FSOUND_NORMAL, 0, 0);
  ASSERT_NE(stream, nullptr);
  ASSERT_NE(-1, FSOUND_Stream_Play(FSOUND_FREE, stream));
  const double bytesPerMs = kRate * 2 * sizeof(float) / 1000.0;
  int previous = 0, worstAhead = -1000000, last = 0;
  double consumedMs = 0;
  Clock::time_point start = Clock::now();
  while (Clock::now() - start < std::chrono::milliseconds(700)) {
    int reported = FSOUND_Stream_GetTime(stream);
    struct stat st;
    consumedMs = stat(out.c_str(), &st) == 0 ? st.st_size / bytesPerMs : 0;
    EXPECT_GE(reported, previous);
    worstAhead = std::max(worstAhead, reported - static_cast<int>(consumedMs));
    previous = last = reported;
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
  }
  EXPECT_GT(consumedMs, 400) << "the disk device played in real time";
  EXPECT_LE(worstAhead, 3) << "the reported position ran ahead of the device";
  EXPECT_GE(last, consumedMs - 100) << "and keeps up with it within a few blocks";
  FSOUND_Stream_Close(stream);
  FSOUND_Close();
  unsetenv("SDL_AUDIODRIVER");
  unsetenv("SDL_DISKAUDIOFILE");
  unlink(out.c_str());
  unlink(path.c_str());
}

TEST(FmodClock, VirtualClockAnswersTheGivenTimeAndOpensNoDevice) {
  platform_testing::Reset();
  std::string path = WriteWav("virtual.wav", 1.5);
  platform_clock::UseVirtualClock(0);
  FSOUND_SetOutput(-1);
  ASSERT_TRUE(FSOUND_Init(kRate, 8, 0));
  EXPECT_EQ(0u, SDL_WasInit(SDL_INIT_AUDIO)) << "no sound device was opened";
  FSOUND_STREAM* stream = FSOUND_Stream_Open(path.c_str(), FSOUND_NORMAL, 0, 0);
  ASSERT_NE(stream, nullptr);
  platform_clock::UseVirtualClock(400);
  EXPECT_EQ(0, FSOUND_Stream_GetTime(stream)) << "not played yet";
  ASSERT_NE(-1, FSOUND_Stream_Play(FSOUND_FREE, stream));
  struct Case {
    int setMs;
    int expected;
  };
  const Case cases[] = {{400, 400}, {1000 / 60, 16}, {1234, 1234}, {0, 0}, {99999, 1500}};
  for (const Case& c : cases) {
    platform_clock::UseVirtualClock(c.setMs);
    EXPECT_EQ(c.expected, FSOUND_Stream_GetTime(stream)) << c.setMs;
  }
  platform_clock::UseVirtualClock(700);
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(700, FSOUND_Stream_GetTime(stream)) << "wall time changes nothing";
  FSOUND_Stream_Stop(stream);
  EXPECT_EQ(0, FSOUND_Stream_GetTime(stream)) << "a stopped stream is back at its start";
  FSOUND_Stream_Close(stream);
  FSOUND_Close();
  platform_clock::UseRealClock();
  EXPECT_FALSE(platform_clock::VirtualClockActive());
  unlink(path.c_str());
}

}  // namespace
