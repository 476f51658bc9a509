// fmod_test.cpp -- music streams: decoding WAV, Ogg Vorbis, FLAC, MP3; the played position; failures
#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "fmod.h"
#include "platform/fmod/fmod_ring.h"
#include "platform/testing/testing.h"

namespace {

// Writes a sine tone of the given length with libsndfile, in the format given.
std::string WriteTone(const std::string& name, int format, int rate, int channels, double seconds) {
  std::string path = ::testing::TempDir() + "qola_fmod_" + std::to_string(getpid()) + "_" + name;
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = channels;
  info.format = format;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  EXPECT_NE(file, nullptr) << sf_strerror(nullptr);
  if (!file) return path;
  const sf_count_t frames = static_cast<sf_count_t>(seconds * rate);
  std::vector<float> block(static_cast<size_t>(channels) * 1024);
  for (sf_count_t done = 0; done < frames;) {
    sf_count_t n = std::min<sf_count_t>(1024, frames - done);
    for (sf_count_t i = 0; i < n; ++i) {
      float v = 0.3f * static_cast<float>(std::sin(2.0 * M_PI * 440.0 * static_cast<double>(done + i) / rate));
      for (int c = 0; c < channels; ++c) block[static_cast<size_t>(i * channels + c)] = v;
    }
    sf_writef_float(file, block.data(), n);
    done += n;
  }
  sf_close(file);
  return path;
}

int MsSince(std::chrono::steady_clock::time_point t) {
  return static_cast<int>(
      std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t).count());
}

class FmodTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform_testing::Reset();
    FSOUND_SetOutput(FSOUND_OUTPUT_NOSOUND);
    ASSERT_TRUE(FSOUND_Init(44100, 64, 0));
  }
  void TearDown() override {
    FSOUND_Close();
    FSOUND_SetOutput(-1);
    platform_testing::Reset();
  }

  // Plays stream for about waitMs and checks that its position followed the clock.
  void ExpectPlaysInRealTime(FSOUND_STREAM* stream, int waitMs) {
    EXPECT_EQ(FSOUND_Stream_GetTime(stream), 0);
    auto started = std::chrono::steady_clock::now();
    ASSERT_NE(FSOUND_Stream_Play(FSOUND_FREE, stream), -1);
    int previous = 0;
    while (MsSince(started) < waitMs) {
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
      int now = FSOUND_Stream_GetTime(stream);
      EXPECT_GE(now, previous);  // never goes back
      previous = now;
    }
    int played = FSOUND_Stream_GetTime(stream);
    int wall = MsSince(started);
    // The played position trails the wall clock by at most a few output blocks, and never
    // runs ahead of it.
    EXPECT_LE(played, wall + 5);
    EXPECT_GE(played, wall - 250);
  }
};

TEST_F(FmodTest, WavAndOggVorbisPlayInRealTime) {
  struct Case {
    const char* name;
    int format;
    int rate;
    int channels;
  } cases[] = {
      {"tone.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2},
      {"tone.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100, 1},
      {"tone22k.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050, 1},  // converted to the mix rate
      {"tone48k.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 48000, 2},
      {"tone.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 2},
      {"tone.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 44100, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string path = WriteTone(c.name, c.format, c.rate, c.channels, 3.0);
    FSOUND_STREAM* stream = FSOUND_Stream_Open(path.c_str(), FSOUND_MPEGACCURATE, 0, 0);
    ASSERT_NE(stream, nullptr);
    EXPECT_NEAR(FSOUND_Stream_GetLengthMs(stream), 3000, 30);  // MP3 frames round it
    ExpectPlaysInRealTime(stream, 400);
    EXPECT_TRUE(FSOUND_Stream_Close(stream));
    std::remove(path.c_str());
  }
}

TEST_F(FmodTest, PositionStopsAtTheEndAndStopRewinds) {
  std::string path = WriteTone("short.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1, 0.2);
  FSOUND_STREAM* stream = FSOUND_Stream_Open(path.c_str(), FSOUND_NORMAL, 0, 0);
  ASSERT_NE(stream, nullptr);
  int channel = FSOUND_Stream_Play(FSOUND_FREE, stream);
  EXPECT_EQ(channel, 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_NEAR(FSOUND_Stream_GetTime(stream), 200, 1);  // played out, and stays there
  // Its channel was freed at the end: playing again takes the first free one again.
  EXPECT_TRUE(FSOUND_Stream_Stop(stream));
  EXPECT_EQ(FSOUND_Stream_GetTime(stream), 0);
  EXPECT_EQ(FSOUND_Stream_Play(FSOUND_FREE, stream), 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  int t = FSOUND_Stream_GetTime(stream);
  EXPECT_GT(t, 0);
  EXPECT_LE(t, 200);
  FSOUND_Stream_Close(stream);
  std::remove(path.c_str());
}

TEST_F(FmodTest, BadFilesAndHandlesFailWithoutHarm) {
  std::string garbage = ::testing::TempDir() + "qola_fmod_garbage.ogg";
  FILE* f = std::fopen(garbage.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fputs("this is not music at all, only text pretending to be an Ogg file", f);
  std::fclose(f);
  struct Case {
    std::string path;
    int error;
  } cases[] = {
      {"no/such/music.ogg", FMOD_ERR_FILE_NOTFOUND},
      {::testing::TempDir(), FMOD_ERR_FILE_BAD},  // a directory
      {garbage, FMOD_ERR_FILE_FORMAT},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FSOUND_Stream_Open(c.path.c_str(), FSOUND_MPEGACCURATE, 0, 0), nullptr) << c.path;
    EXPECT_EQ(FSOUND_GetError(), c.error) << c.path;
  }
  std::remove(garbage.c_str());
  // Null and stale handles are refused without being touched.
  EXPECT_FALSE(FSOUND_Stream_Close(nullptr));
  EXPECT_EQ(FSOUND_Stream_Play(FSOUND_FREE, nullptr), -1);
  EXPECT_FALSE(FSOUND_Stream_Stop(nullptr));
  EXPECT_EQ(FSOUND_Stream_GetTime(nullptr), 0);
  std::string path = WriteTone("closed.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1, 0.1);
  FSOUND_STREAM* stream = FSOUND_Stream_Open(path.c_str(), 0, 0, 0);
  ASSERT_NE(stream, nullptr);
  EXPECT_TRUE(FSOUND_Stream_Close(stream));
  EXPECT_FALSE(FSOUND_Stream_Close(stream));
  EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_INVALID_PARAM);
  std::remove(path.c_str());
}

TEST_F(FmodTest, ModesAndChannelsTheLayerCannotHonourAreRefused) {
  std::string path = WriteTone("modes.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1, 0.1);
  for (unsigned mode : {FSOUND_LOOP_NORMAL, FSOUND_LOADMEMORY, FSOUND_NONBLOCKING}) {
    EXPECT_EQ(FSOUND_Stream_Open(path.c_str(), mode, 0, 0), nullptr) << mode;
    EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_INVALID_PARAM);
  }
  EXPECT_EQ(FSOUND_Stream_Open(path.c_str(), 0, 10, 0), nullptr);  // byte ranges
  FSOUND_STREAM* stream = FSOUND_Stream_Open(path.c_str(), FSOUND_2D | FSOUND_MPEGACCURATE, 0, 0);
  ASSERT_NE(stream, nullptr);
  EXPECT_EQ(FSOUND_Stream_Play(64, stream), -1);  // channels are 0 to 63
  EXPECT_EQ(FSOUND_Stream_Play(FSOUND_ALL, stream), -1);
  EXPECT_EQ(FSOUND_Stream_Play(5, stream), 5);
  EXPECT_EQ(FSOUND_Stream_Play(FSOUND_FREE, stream), 5);  // already playing there
  FSOUND_Stream_Close(stream);
  std::remove(path.c_str());
}

TEST(FmodLibrary, InitAndOpenOrderAndTheSilentFallback) {
  platform_testing::Reset();
  EXPECT_EQ(FSOUND_Stream_Open("anything.ogg", 0, 0, 0), nullptr);  // before FSOUND_Init
  EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_UNINITIALIZED);
  EXPECT_FALSE(FSOUND_Init(0, 64, 0));
  EXPECT_FALSE(FSOUND_Init(44100, 0, 0));
  platform_testing::FailCall("FSOUND_Init");
  EXPECT_FALSE(FSOUND_Init(44100, 64, 0));
  platform_testing::ClearFailures();
  // No sound device: the library still starts and the music's clock runs in real time.
  platform_testing::FailCall("FSOUND_Init:device");
  ASSERT_TRUE(FSOUND_Init(44100, 64, 0));
  EXPECT_FALSE(FSOUND_Init(44100, 64, 0));  // already started
  std::string path = WriteTone("fallback.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100, 1, 2.0);
  FSOUND_STREAM* stream = FSOUND_Stream_Open(path.c_str(), FSOUND_MPEGACCURATE, 0, 0);
  ASSERT_NE(stream, nullptr);
  auto started = std::chrono::steady_clock::now();
  ASSERT_EQ(FSOUND_Stream_Play(FSOUND_FREE, stream), 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  int played = FSOUND_Stream_GetTime(stream);
  EXPECT_LE(played, MsSince(started) + 5);
  EXPECT_GE(played, 150);
  // Closing the library closes the streams still open; the handle is then refused.
  FSOUND_Close();
  EXPECT_FALSE(FSOUND_Stream_Close(stream));
  FSOUND_Close();  // twice is harmless
  platform_testing::Reset();
  std::remove(path.c_str());
}

TEST(FmodLibrary, TheSystemOutputPlaysOrFallsBackSilently) {
  // Whatever this machine has (a sound card, a sound server or none), the position advances.
  platform_testing::Reset();
  ASSERT_TRUE(FSOUND_Init(44100, 64, 0));
  std::string path = WriteTone("device.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2, 2.0);
  FSOUND_STREAM* stream = FSOUND_Stream_Open(path.c_str(), FSOUND_MPEGACCURATE, 0, 0);
  ASSERT_NE(stream, nullptr);
  ASSERT_NE(FSOUND_Stream_Play(FSOUND_FREE, stream), -1);
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  EXPECT_GT(FSOUND_Stream_GetTime(stream), 100);
  EXPECT_TRUE(FSOUND_Stream_Close(stream));
  FSOUND_Close();
  std::remove(path.c_str());
}

TEST(FmodRing, KeepsOrderAcrossTheWrapAndMixesByAdding) {
  fsound::FrameRing ring(5);  // rounded up to 8 frames
  EXPECT_EQ(ring.CapacityFrames(), 8u);
  float in[2 * 8];
  float out[2 * 8];
  uint32_t next = 0, expect = 0;
  for (int round = 0; round < 10; ++round) {
    uint32_t n = 0;
    for (; n < 6; ++n) in[2 * n] = in[2 * n + 1] = static_cast<float>(next + n);
    uint32_t wrote = ring.Write(in, 6);
    next += wrote;
    std::fill(out, out + 16, 1.0f);
    uint32_t read = ring.MixInto(out, 8);
    EXPECT_EQ(read, wrote);
    for (uint32_t i = 0; i < read; ++i, ++expect) {
      EXPECT_EQ(out[2 * i], 1.0f + static_cast<float>(expect));
      EXPECT_EQ(out[2 * i + 1], 1.0f + static_cast<float>(expect));
    }
    EXPECT_EQ(out[2 * read], 1.0f);  // past what was there: untouched
  }
  EXPECT_EQ(ring.Write(in, 8), 8u);
  EXPECT_EQ(ring.Write(in, 1), 0u);  // full
  EXPECT_EQ(ring.FreeFrames(), 0u);
}

}  // namespace
