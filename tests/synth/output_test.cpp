// output_test.cpp -- the written file (same bytes every time, valid Ogg pages) and the script's tempo
#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/synth/audio_file.h"
#include "tools/synth/dsp.h"
#include "tools/synth/render.h"
#include "tools/synth/script_music.h"

namespace {

std::string TempPath(const std::string& name) {
  return ::testing::TempDir() + "qola_synth_" + std::to_string(getpid()) + "_" + name;
}

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Three seconds of a chord that moves, so the encoder has real work.
std::vector<float> TestSound() {
  std::vector<float> stereo(3 * synth::kSampleRate * 2);
  for (size_t f = 0; f < stereo.size() / 2; ++f) {
    float t = static_cast<float>(f) / synth::kSampleRate;
    stereo[2 * f] = 0.3f * std::sin(2.0f * synth::kPi * 220.0f * t) + 0.1f * std::sin(2.0f * synth::kPi * 1234.0f * t * t);
    stereo[2 * f + 1] = 0.3f * std::sin(2.0f * synth::kPi * 330.0f * t);
  }
  return stereo;
}

// Walks the pages: each has our serial number and a checksum that matches its bytes.
void ExpectValidPages(std::vector<uint8_t> bytes, size_t minPages) {
  size_t at = 0, pages = 0;
  while (at + 27 <= bytes.size()) {
    ASSERT_EQ(std::string(bytes.begin() + at, bytes.begin() + at + 4), "OggS") << "page at " << at;
    uint8_t* page = &bytes[at];
    uint32_t serial = page[14] | page[15] << 8 | page[16] << 16 | static_cast<uint32_t>(page[17]) << 24;
    uint32_t crc = page[22] | page[23] << 8 | page[24] << 16 | static_cast<uint32_t>(page[25]) << 24;
    size_t size = 27 + page[26];
    for (int i = 0; i < page[26]; ++i) size += page[27 + i];
    ASSERT_LE(at + size, bytes.size());
    EXPECT_EQ(serial, synth::kOggSerial);
    page[22] = page[23] = page[24] = page[25] = 0;
    EXPECT_EQ(crc, synth::OggCrc(page, size)) << "page at " << at;
    at += size;
    ++pages;
  }
  EXPECT_EQ(at, bytes.size());
  EXPECT_GE(pages, minPages);
}

TEST(AudioFile, OggIsTheSameBytesEveryTimeAndReadsBack) {
  const std::vector<float> sound = TestSound();
  const std::string first = TempPath("first.ogg"), second = TempPath("second.ogg");
  std::string error;
  ASSERT_TRUE(synth::WriteAudio(first, sound, &error)) << error;
  usleep(20000);  // libsndfile's own serial number would change with the clock
  ASSERT_TRUE(synth::WriteAudio(second, sound, &error)) << error;
  const std::vector<uint8_t> bytes = ReadAll(first);
  EXPECT_TRUE(bytes == ReadAll(second));
  ExpectValidPages(bytes, 3);  // identification, comments and setup, then sound

  // The independent check of the checksums: libogg skips a page whose checksum is wrong, so
  // every frame reads back only when all of them are right.
  SF_INFO info = {};
  SNDFILE* file = sf_open(first.c_str(), SFM_READ, &info);
  ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
  EXPECT_EQ(info.frames, static_cast<sf_count_t>(sound.size() / 2));
  EXPECT_EQ(info.channels, 2);
  EXPECT_EQ(info.samplerate, synth::kSampleRate);
  std::vector<float> back(sound.size());
  EXPECT_EQ(sf_readf_float(file, back.data(), info.frames), info.frames);
  sf_close(file);
  std::remove(first.c_str());
  std::remove(second.c_str());
}

TEST(AudioFile, WavKeepsTheSamplesAndOtherNamesAreRefused) {
  const std::vector<float> sound = TestSound();
  const std::string wav = TempPath("sound.wav");
  std::string error;
  ASSERT_TRUE(synth::WriteAudio(wav, sound, &error)) << error;
  SF_INFO info = {};
  SNDFILE* file = sf_open(wav.c_str(), SFM_READ, &info);
  ASSERT_NE(file, nullptr);
  std::vector<float> back(sound.size());
  EXPECT_EQ(sf_readf_float(file, back.data(), info.frames), static_cast<sf_count_t>(sound.size() / 2));
  sf_close(file);
  for (size_t i = 0; i < sound.size(); i += 997) EXPECT_NEAR(back[i], sound[i], 1.0f / 32768.0f) << i;
  std::remove(wav.c_str());

  EXPECT_FALSE(synth::WriteAudio(TempPath("sound.mp3"), sound, &error));
  EXPECT_NE(error.find("must end in .ogg (Ogg Vorbis) or .wav"), std::string::npos) << error;
  EXPECT_FALSE(synth::WriteAudio("/no/such/dir/music.ogg", sound, &error));
  EXPECT_EQ(error.compare(0, 32, "/no/such/dir/music.ogg: cannot w"), 0) << error;
}

TEST(AudioFile, StampRefusesWhatIsNotWholeOggPages) {
  std::vector<uint8_t> page = {'O', 'g', 'g', 'S', 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4,
                               0, 0, 0, 0, 0, 0, 0, 0, 2, 3, 1, 'a', 'b', 'c', 'd'};
  std::vector<uint8_t> good = page;
  EXPECT_TRUE(synth::StampOggSerial(good, synth::kOggSerial));
  ExpectValidPages(good, 1);
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
  } cases[] = {
      {"empty", {}},
      {"body cut short", std::vector<uint8_t>(page.begin(), page.end() - 1)},
      {"segment table cut short", std::vector<uint8_t>(page.begin(), page.begin() + 28)},
      {"header cut short", std::vector<uint8_t>(page.begin(), page.begin() + 20)},
      {"not a capture pattern", std::vector<uint8_t>(page.size(), 'x')},
  };
  for (Case& c : cases) EXPECT_FALSE(synth::StampOggSerial(c.bytes, 1)) << c.what;
}

TEST(ScriptMusic, ReadsTempoAndMusicFileOrSaysWhatIsWrong) {
  struct Case {
    const char* xml;  // nullptr: no file at all
    const char* problem;  // nullptr: read
  } cases[] = {
      {"<demo music_filename=\"media/tune.ogg\" bpm=\"128.5\"><timeline/></demo>", nullptr},
      {nullptr, ": cannot be opened"},
      {"<demo music_filename=\"m.ogg\" bpm=\"120\">", ": not well-formed XML"},
      {"<script/>", ": no \"demo\" element"},
      {"<demo bpm=\"120\"/>", " line 1: \"demo\" has no \"music_filename\""},
      {"<demo music_filename=\"\" bpm=\"120\"/>", " line 1: \"demo\" has no \"music_filename\""},
      {"<demo music_filename=\"m.ogg\"/>", " line 1: \"demo\" has no \"bpm\""},
      {"<demo music_filename=\"m.ogg\" bpm=\"fast\"/>", " line 1: \"bpm\" is \"fast\", not a number"},
      {"<demo music_filename=\"m.ogg\" bpm=\"0\"/>", " line 1: \"bpm\" is 0; the tempo must be a number of beats per minute above 0"},
      {"<demo music_filename=\"m.ogg\" bpm=\"1e9\"/>", " line 1: \"bpm\" is 1e9; a sixteenth note would last less than 1 ms (the tempo may be 0.25 to 15000"},
      {"\n\n<demo music_filename=\"m.ogg\" bpm=\"-120\"/>", " line 3: \"bpm\" is -120;"},
  };
  const std::string path = TempPath("go.xml");
  for (const Case& c : cases) {
    std::remove(path.c_str());
    if (c.xml) std::ofstream(path) << c.xml;
    synth::ScriptMusic music;
    std::string error;
    const bool read = synth::ReadScriptMusic(path, &music, &error);
    if (!c.problem) {
      ASSERT_TRUE(read) << error;
      EXPECT_DOUBLE_EQ(music.bpm, 128.5);
      EXPECT_EQ(music.musicFileName, "media/tune.ogg");
      EXPECT_EQ(music.musicPath, ::testing::TempDir() + "media/tune.ogg");
      continue;
    }
    EXPECT_FALSE(read) << c.xml;
    EXPECT_EQ(error.compare(0, path.size() + std::string(c.problem).size(), path + c.problem), 0)
        << "expected: " << path << c.problem << "\n     got: " << error;
  }
  std::remove(path.c_str());
}

}  // namespace
