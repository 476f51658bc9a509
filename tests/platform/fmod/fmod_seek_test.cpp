// fmod_seek_test.cpp -- FSOUND_Stream_SetTime: the music starts again exactly at the file's
// sample of the given time, the clock reads that time from there, and times past the end fail
#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include "fmod.h"
#include "platform/fmod/fmod_stream.h"
#include "platform/testing/testing.h"

namespace {

constexpr int kRate = 44100;
constexpr int kFrames = 3 * kRate;  // three seconds

// Every frame says where it is: left channel frame % 20000 in 16-bit steps, so a decoded
// sample names its frame exactly.
float Marker(int frame) { return static_cast<float>(frame % 20000) / 32768.0f; }

std::string WriteMarkedFile(const char* name, int format) {
  std::string path = ::testing::TempDir() + "qola_seek_" + std::to_string(getpid()) + "_" + name;
  SF_INFO info{};
  info.samplerate = kRate;
  info.channels = 2;
  info.format = format;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  EXPECT_NE(file, nullptr) << sf_strerror(nullptr);
  if (!file) return path;
  std::vector<float> samples(static_cast<size_t>(kFrames) * 2);
  for (int i = 0; i < kFrames; ++i) samples[static_cast<size_t>(i) * 2] = Marker(i);
  sf_writef_float(file, samples.data(), kFrames);
  sf_close(file);
  return path;
}

TEST(FmodSeek, StartsAtTheFilesSampleOfTheTime) {
  const struct {
    const char* name;
    int format;
  } files[] = {{"marked.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16}, {"marked.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16}};
  const uint64_t times[] = {0, 1, 999, 1000, 1234, 2999, 3000};
  for (const auto& f : files) {
    std::string path = WriteMarkedFile(f.name, f.format);
    int error = 0;
    std::string reason;
    fsound::Stream* stream = fsound::Stream::Open(path, kRate, &error, &reason);
    ASSERT_NE(stream, nullptr) << f.name << ": " << reason;
    std::vector<float> block(64 * 2);
    for (uint64_t ms : times) {
      ASSERT_TRUE(stream->Seek(ms)) << f.name << " " << ms;
      int frame = static_cast<int>(ms * kRate / 1000);
      auto now = std::chrono::steady_clock::now();
      EXPECT_EQ(stream->HeardFrames(now, 1024), static_cast<uint64_t>(frame))
          << f.name << ": the position starts at the time, never before it";
      std::fill(block.begin(), block.end(), 0.0f);
      stream->Mix(block.data(), 64, now);
      if (frame < kFrames) {
        EXPECT_FLOAT_EQ(block[0], Marker(frame)) << f.name << " at " << ms << " ms: the first sample played";
        EXPECT_FLOAT_EQ(block[2], Marker(frame + 1)) << f.name << " at " << ms << " ms: and the next";
      }
    }
    EXPECT_FALSE(stream->Seek(3001)) << f.name << ": past the end";
    delete stream;
    unlink(path.c_str());
  }
}

TEST(FmodSeek, SetTimeWhilePlayingAndPastTheEnd) {
  platform_testing::Reset();
  std::string path = WriteMarkedFile("play.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16);
  ASSERT_TRUE(FSOUND_SetOutput(FSOUND_OUTPUT_NOSOUND));
  ASSERT_TRUE(FSOUND_Init(kRate, 8, 0));
  FSOUND_STREAM* stream = FSOUND_Stream_Open(path.c_str(), FSOUND_NORMAL, 0, 0);
  ASSERT_NE(stream, nullptr);
  EXPECT_TRUE(FSOUND_Stream_SetTime(stream, 2000)) << "before Play: where Play starts";
  ASSERT_NE(FSOUND_Stream_Play(FSOUND_FREE, stream), -1);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  int playing = FSOUND_Stream_GetTime(stream);
  EXPECT_GE(playing, 2000);
  EXPECT_LT(playing, 2400);
  EXPECT_TRUE(FSOUND_Stream_SetTime(stream, 500)) << "while it plays: back to 500";
  int moved = FSOUND_Stream_GetTime(stream);
  EXPECT_GE(moved, 500);
  EXPECT_LT(moved, 700);
  EXPECT_FALSE(FSOUND_Stream_SetTime(stream, 3001));
  EXPECT_EQ(FSOUND_GetError(), FMOD_ERR_INVALID_PARAM);
  EXPECT_FALSE(FSOUND_Stream_SetTime(stream, -1));
  EXPECT_FALSE(FSOUND_Stream_SetTime(nullptr, 0));
  EXPECT_GE(FSOUND_Stream_GetTime(stream), moved) << "a refused seek leaves the music where it was";
  FSOUND_Stream_Close(stream);
  FSOUND_Close();
  FSOUND_SetOutput(-1);
  unlink(path.c_str());
}

// A loop goes back to its first sample right after its last one, with no frame lost or added,
// and the position reads the time within the range; a position past the end plays on.
TEST(FmodLoop, JoinsTheRangeSampleExactAndMapsThePosition) {
  std::string path = WriteMarkedFile("loop.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16);
  int error = 0;
  std::string reason;
  fsound::Stream* stream = fsound::Stream::Open(path, kRate, &error, &reason);
  ASSERT_NE(stream, nullptr) << reason;
  const int start = kRate, end = kRate * 12 / 10;  // [1000, 1200) ms: 8820 frames, less than the ring
  ASSERT_TRUE(stream->SetLoop(true, 1000, 1200, 1100));
  auto now = std::chrono::steady_clock::now();
  const auto later = now + std::chrono::seconds(10);
  std::vector<float> block(441 * 2);
  int expected = kRate * 11 / 10;
  int mixed = 0;
  for (int b = 0; b < 30; ++b) {  // 300 ms: 100 ms to the end, the whole range, then 0.1 s again
    std::fill(block.begin(), block.end(), 0.0f);
    stream->Mix(block.data(), 441, now);
    for (int i = 0; i < 441; ++i) {
      ASSERT_FLOAT_EQ(block[static_cast<size_t>(i) * 2], Marker(expected)) << "frame " << mixed + i;
      if (++expected == end) expected = start;
    }
    mixed += 441;
    EXPECT_EQ(stream->HeardFrames(later, 0), static_cast<uint64_t>(expected))
        << "the position within the range after " << mixed << " frames";
  }
  // Seeking past the end plays on linearly; turning the loop off plays on from the position.
  ASSERT_TRUE(stream->Seek(1500));
  std::fill(block.begin(), block.end(), 0.0f);
  stream->Mix(block.data(), 441, now);
  EXPECT_FLOAT_EQ(block[0], Marker(kRate * 15 / 10));
  EXPECT_EQ(stream->HeardFrames(later, 0), static_cast<uint64_t>(kRate * 15 / 10 + 441));
  EXPECT_FALSE(stream->SetLoop(true, 1200, 1200, 0)) << "an empty range";
  EXPECT_FALSE(stream->SetLoop(true, 1000, 3001, 0)) << "past the end";
  ASSERT_TRUE(stream->SetLoop(false, 0, 0, 1190));
  for (int b = 0; b < 3; ++b) stream->Mix(block.data(), 441, now);
  EXPECT_EQ(stream->HeardFrames(later, 0), static_cast<uint64_t>(kRate * 119 / 100 + 3 * 441)) << "no loop any more";
  delete stream;
  unlink(path.c_str());
}

TEST(FmodPause, APausedChannelHoldsItsPositionAndResumes) {
  platform_testing::Reset();
  std::string path = WriteMarkedFile("pause.wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16);
  ASSERT_TRUE(FSOUND_SetOutput(FSOUND_OUTPUT_NOSOUND));
  ASSERT_TRUE(FSOUND_Init(kRate, 8, 0));
  FSOUND_STREAM* stream = FSOUND_Stream_Open(path.c_str(), FSOUND_NORMAL, 0, 0);
  ASSERT_NE(stream, nullptr);
  int channel = FSOUND_Stream_Play(FSOUND_FREE, stream);
  ASSERT_NE(channel, -1);
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  ASSERT_TRUE(FSOUND_SetPaused(FSOUND_ALL, 1));
  EXPECT_TRUE(FSOUND_GetPaused(channel));
  std::this_thread::sleep_for(std::chrono::milliseconds(50));  // what was handed out has played
  int held = FSOUND_Stream_GetTime(stream);
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  EXPECT_EQ(FSOUND_Stream_GetTime(stream), held) << "paused: the position stands";
  EXPECT_TRUE(FSOUND_Stream_SetTime(stream, 2000)) << "a seek while paused";
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(FSOUND_Stream_GetTime(stream), 2000);
  ASSERT_TRUE(FSOUND_SetPaused(channel, 0));
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  EXPECT_GT(FSOUND_Stream_GetTime(stream), 2050) << "resumed from where it was put";
  EXPECT_FALSE(FSOUND_SetPaused(99, 1)) << "no such channel";
  // A loop set while it plays: the position stays within the range.
  ASSERT_TRUE(FSOUND_Stream_SetLoopMs(stream, 2100, 2300));
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  int looped = FSOUND_Stream_GetTime(stream);
  EXPECT_GE(looped, 2100);
  EXPECT_LT(looped, 2300);
  EXPECT_FALSE(FSOUND_Stream_SetLoopMs(stream, 2300, 2100));
  EXPECT_TRUE(FSOUND_Stream_SetLoopMs(stream, 0, 0));
  FSOUND_Stream_Close(stream);
  FSOUND_Close();
  FSOUND_SetOutput(-1);
  unlink(path.c_str());
}

}  // namespace
