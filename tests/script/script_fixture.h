// script_fixture.h -- what the script tests share: scratch file paths, a second of silent music,
// and the sound library started without a device
#pragma once

#include <gtest/gtest.h>
#include <sndfile.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "fmod.h"
#include "platform/testing/testing.h"

namespace script_test {

inline std::string TempPath(const std::string& name) {
  return ::testing::TempDir() + "qola_script_" + std::to_string(getpid()) + "_" + name;
}

inline std::string WriteFile(const std::string& name, const std::string& text) {
  std::string path = TempPath(name);
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// A silent second of music for the scripts that need their stream to open; made once.
inline std::string MusicFile() {
  static std::string path;
  if (!path.empty()) return path;
  path = TempPath("music.wav");
  SF_INFO info{};
  info.samplerate = 44100;
  info.channels = 1;
  info.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  std::vector<short> silence(44100, 0);
  sf_writef_short(file, silence.data(), 44100);
  sf_close(file);
  return path;
}

// Message boxes captured, the sound library without a device.
class ScriptTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform_testing::Reset();
    platform_testing::CaptureMessageBoxes(true);
    FSOUND_SetOutput(FSOUND_OUTPUT_NOSOUND);
  }
  void TearDown() override {
    FSOUND_Close();
    FSOUND_SetOutput(-1);
    platform_testing::Reset();
  }
};

}  // namespace script_test
