// render_test.cpp -- the rendered sound: hits on the sixteenths at any tempo, levels, the shipped song
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <string>
#include <vector>

#include "tools/synth/dsp.h"
#include "tools/synth/render.h"
#include "tools/synth/script_music.h"
#include "tools/synth/song.h"

namespace {

using synth::Song;

Song ParseOrDie(const std::string& text) {
  Song song;
  std::string error;
  EXPECT_TRUE(synth::ParseSong(text, "test.txt", &song, &error)) << error;
  return song;
}

// A triangle starts at its peak, so each hit's first sample is loud: the onset is exact.
const char kClicks[] =
    "instrument click\n"
    "  wave triangle note A5 attack 0 decay 0.02 sustain 0\n"
    "pattern hits\n"
    "  x . . . | . x . . | . . . x | . . . .\n"
    "pattern rest\n"
    "  . . . . | . . . . | . . . . | . . . .\n"
    "section a 1\n"
    "  click hits\n"
    "section b 2\n"
    "  click rest hits\n";

// The first frame at or after from where either side is louder than threshold, or -1.
int64_t Onset(const std::vector<float>& stereo, int64_t from, float threshold) {
  for (size_t f = static_cast<size_t>(from); 2 * f + 1 < stereo.size(); ++f) {
    if (std::fabs(stereo[2 * f]) > threshold || std::fabs(stereo[2 * f + 1]) > threshold) return static_cast<int64_t>(f);
  }
  return -1;
}

TEST(Render, HitsLandOnTheirSixteenthsAtAnyTempo) {
  const Song song = ParseOrDie(kClicks);
  const int hitSteps[] = {0, 5, 11, 16 + 16 + 0, 32 + 5, 32 + 11};
  for (double bpm : {120.0, 133.0, 97.5, 174.0}) {
    std::vector<float> stereo = synth::RenderSong(song, bpm);
    EXPECT_EQ(static_cast<int64_t>(stereo.size() / 2), synth::StepFrame(48, bpm)) << bpm;
    int64_t searchFrom = 0;
    for (int step : hitSteps) {
      int64_t onset = Onset(stereo, searchFrom, 0.05f);
      EXPECT_EQ(onset, synth::StepFrame(step, bpm)) << "step " << step << " at " << bpm << " bpm";
      searchFrom = synth::StepFrame(step + 1, bpm);  // the click has died away by then
    }
    EXPECT_EQ(Onset(stereo, searchFrom, 0.05f), -1) << bpm;  // no hit in the last bar
  }
}

TEST(Render, StepFramesCountFromTheStartWithoutDrift) {
  // At 120 bpm a sixteenth is 5512.5 frames; at 133 bpm 4973.68...: each step is rounded alone.
  EXPECT_EQ(synth::StepFrame(1, 120.0), 5513);
  EXPECT_EQ(synth::StepFrame(2, 120.0), 11025);
  EXPECT_EQ(synth::StepFrame(1152, 120.0), 144 * synth::kSampleRate);
  EXPECT_EQ(synth::StepFrame(133, 133.0), 15 * synth::kSampleRate);
}

TEST(Render, SameSongGivesTheSameSamples) {
  const Song song = ParseOrDie(std::string(kClicks) +
                               "instrument hiss\n  wave noise attack 0 decay 0.1 sustain 0 reverb 0.5 delay 0.5\n"
                               "section c 1\n  hiss hits\n");
  std::vector<float> first = synth::RenderSong(song, 128.0);
  std::vector<float> second = synth::RenderSong(song, 128.0);
  ASSERT_EQ(first.size(), second.size());
  EXPECT_TRUE(first == second);
}

TEST(Render, PeakSitsBelowTheCeilingAndSilenceStaysSilent) {
  // Loud chords of saws at full volume: the master brings them to its peak level.
  const Song loud = ParseOrDie(
      "instrument wall\n  wave saw unison 8 detune 30 volume 2 sustain 1\n"
      "pattern chords\n  C2+G2+C3+E3+G3+C4 - - - | - - - - | - - - - | - - - -\n"
      "section a 2\n  wall chords\n");
  std::vector<float> stereo = synth::RenderSong(loud, 120.0);
  EXPECT_NEAR(20.0f * std::log10(synth::Peak(stereo)), synth::kPeakDbfs, 0.01f);
  for (float s : stereo) ASSERT_TRUE(std::isfinite(s));

  const Song quiet = ParseOrDie(
      "instrument wall\n  wave saw\npattern rest\n  . . . . | . . . . | . . . . | . . . .\n"
      "section a 1\n  wall rest\n");
  std::vector<float> silence = synth::RenderSong(quiet, 120.0);
  EXPECT_EQ(synth::Peak(silence), 0.0f);
}

TEST(Render, RefusesASongTooLongToHold) {
  const std::string parts = "instrument a\npattern p\n  x . . . | . . . . | . . . . | . . . .\n";
  const Song hourLong = ParseOrDie(parts + "section s 500\n  a p\nsection t 500\n  a p\n"
                                           "section u 500\n  a p\nsection v 500\n  a p\n");
  std::string error;
  EXPECT_FALSE(synth::SongFits(hourLong, 120.0, &error));  // 4000 s
  EXPECT_EQ(error, "the song lasts 67 minutes at 120 bpm; qolasynth renders at most 20");
  const Song tenMinutes = ParseOrDie(parts + "section s 300\n  a p\n");
  EXPECT_TRUE(synth::SongFits(tenMinutes, 120.0, &error));
  EXPECT_FALSE(synth::SongFits(tenMinutes, 40.0, &error));  // 1800 s at 40 bpm
}

// Decodes an audio file: frames, channels and the peak sample.
struct Decoded {
  int64_t frames = -1;
  int channels = 0;
  float peak = 0.0f;
};

Decoded Decode(const std::string& path) {
  Decoded out;
  SF_INFO info = {};
  SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
  if (!file) return out;
  out.frames = info.frames;
  out.channels = info.channels;
  std::vector<float> buffer(4096 * static_cast<size_t>(info.channels));
  sf_count_t got;
  while ((got = sf_readf_float(file, buffer.data(), 4096)) > 0) {
    for (sf_count_t i = 0; i < got * info.channels; ++i) out.peak = std::max(out.peak, std::fabs(buffer[i]));
  }
  sf_close(file);
  return out;
}

// The shipped song at the shipped script's tempo: 2 to 3 minutes, never above -1 dBFS, and the
// committed music file is what the song renders to now (same length) and is not clipped either.
TEST(ShippedSong, RendersTwoToThreeMinutesBelowMinusOneDbfs) {
  synth::ScriptMusic music;
  Song song;
  std::string error;
  ASSERT_TRUE(synth::ReadScriptMusic(QOLA_SOURCE_DIR "/demo/go.xml", &music, &error)) << error;
  ASSERT_TRUE(synth::LoadSong(QOLA_SOURCE_DIR "/tools/synth/song.txt", &song, &error)) << error;
  std::vector<float> stereo = synth::RenderSong(song, music.bpm);
  const double seconds = static_cast<double>(stereo.size() / 2) / synth::kSampleRate;
  EXPECT_GE(seconds, 120.0);
  EXPECT_LE(seconds, 180.0);
  EXPECT_LE(20.0 * std::log10(synth::Peak(stereo)), -1.0);

  Decoded file = Decode(music.musicPath);
  ASSERT_EQ(file.channels, 2) << music.musicPath << " cannot be read";
  EXPECT_EQ(file.frames, static_cast<int64_t>(stereo.size() / 2))
      << music.musicPath << " is stale: run ./demo.sh music";
  EXPECT_LE(20.0 * std::log10(file.peak), -1.0) << music.musicPath;
}

}  // namespace
