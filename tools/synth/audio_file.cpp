// audio_file.cpp -- libsndfile output and the fixed Ogg serial number that makes it reproducible
#include "tools/synth/audio_file.h"

#include <sndfile.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <iterator>

#include "tools/synth/dsp.h"

namespace synth {

namespace {

bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

bool ReadBytes(const std::string& path, std::vector<uint8_t>* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return !out.fail();
}

void WriteLe32(uint8_t* p, uint32_t value) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

uint32_t OggCrc(const uint8_t* data, size_t size) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t r = i << 24;
      for (int bit = 0; bit < 8; ++bit) r = (r & 0x80000000u) ? (r << 1) ^ 0x04C11DB7u : r << 1;
      t[i] = r;
    }
    return t;
  }();
  uint32_t crc = 0;
  for (size_t i = 0; i < size; ++i) crc = (crc << 8) ^ table[((crc >> 24) ^ data[i]) & 0xFF];
  return crc;
}

bool StampOggSerial(std::vector<uint8_t>& bytes, uint32_t serial) {
  constexpr size_t kHeader = 27;  // "OggS", version, flags, granule, serial, sequence, crc, segments
  size_t at = 0;
  if (bytes.empty()) return false;
  while (at < bytes.size()) {
    if (bytes.size() - at < kHeader || bytes[at] != 'O' || bytes[at + 1] != 'g' || bytes[at + 2] != 'g' ||
        bytes[at + 3] != 'S') {
      return false;
    }
    const size_t segments = bytes[at + 26];
    if (bytes.size() - at - kHeader < segments) return false;
    size_t body = 0;
    for (size_t i = 0; i < segments; ++i) body += bytes[at + kHeader + i];
    const size_t pageSize = kHeader + segments + body;
    if (bytes.size() - at < pageSize) return false;
    uint8_t* page = &bytes[at];
    WriteLe32(page + 14, serial);
    WriteLe32(page + 22, 0);
    WriteLe32(page + 22, OggCrc(page, pageSize));
    at += pageSize;
  }
  return true;
}

bool WriteAudio(const std::string& path, const std::vector<float>& stereo, std::string* error) {
  const bool ogg = EndsWith(path, ".ogg");
  if (!ogg && !EndsWith(path, ".wav")) {
    *error = path + ": the music file must end in .ogg (Ogg Vorbis) or .wav";
    return false;
  }
  SF_INFO info = {};
  info.samplerate = kSampleRate;
  info.channels = 2;
  info.format = ogg ? SF_FORMAT_OGG | SF_FORMAT_VORBIS : SF_FORMAT_WAV | SF_FORMAT_PCM_16;
  SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!file) {
    *error = path + ": cannot write: " + sf_strerror(nullptr);
    return false;
  }
  if (ogg) {
    double quality = kVorbisQuality;
    sf_command(file, SFC_SET_VBR_ENCODING_QUALITY, &quality, sizeof quality);
  } else {
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
  }
  const sf_count_t frames = static_cast<sf_count_t>(stereo.size() / 2);
  // In slices: libsndfile hands a whole write to the Vorbis encoder at once, and libvorbis
  // overruns its buffers on a write of minutes of sound.
  constexpr sf_count_t kSlice = 4096;
  sf_count_t written = 0;
  while (written < frames) {
    const sf_count_t count = std::min(kSlice, frames - written);
    const sf_count_t done = sf_writef_float(file, stereo.data() + 2 * written, count);
    written += done;
    if (done != count) break;
  }
  std::string why = sf_strerror(file);
  const int closed = sf_close(file);
  // A half-written file is removed: the demo must not find a song that stops early.
  if (written != frames || closed != 0) {
    *error = path + ": writing failed: " + why;
    std::remove(path.c_str());
    return false;
  }
  if (!ogg) return true;
  std::vector<uint8_t> bytes;
  if (!ReadBytes(path, &bytes) || !StampOggSerial(bytes, kOggSerial) || !WriteBytes(path, bytes)) {
    *error = path + ": cannot give the Ogg stream its fixed serial number";
    std::remove(path.c_str());
    return false;
  }
  return true;
}

}  // namespace synth
