// audio_file.h -- writes the rendered song: Ogg Vorbis (the demo's music) or 16-bit WAV, with libsndfile
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace synth {

// Vorbis quality 0..1: 0.4 keeps a three-minute stereo song near 2-3 MB.
constexpr double kVorbisQuality = 0.4;
// Every page of our Ogg files carries this stream serial number.
constexpr uint32_t kOggSerial = 0x716F6C61;  // "qola"

// Writes interleaved stereo samples at kSampleRate. The format follows the name: ".ogg" is
// Ogg Vorbis, ".wav" 16-bit PCM. The same samples always give the same bytes.
bool WriteAudio(const std::string& path, const std::vector<float>& stereo, std::string* error);

// Sets the stream serial number of every Ogg page in bytes and recomputes each page's checksum.
// libsndfile draws the serial number from the clock, so without this two renders of the same
// song would differ. False when bytes is not a sequence of whole Ogg pages.
bool StampOggSerial(std::vector<uint8_t>& bytes, uint32_t serial);

// The Ogg page checksum (CRC-32, polynomial 0x04C11DB7, unreflected, initial value 0).
uint32_t OggCrc(const uint8_t* data, size_t size);

}  // namespace synth
