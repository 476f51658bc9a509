// writer3ds.h -- Writer3DS: builds 3DS chunk files in memory (tests, fuzz seeds, scene generation)
//
// Chunks nest: Begin writes a header whose length End fills in once the chunk's data and
// sub-chunks are written. Header writes a header with a length of the caller's choosing and opens
// nothing, which is how a test makes a file that lies about its lengths. Numbers are written
// little-endian, texts with their terminating zero.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace write3ds {

// Spline-flag bits of a key, each announcing one f32 after the flags.
constexpr uint16_t kTension = 0x0001;
constexpr uint16_t kContinuity = 0x0002;
constexpr uint16_t kBias = 0x0004;
constexpr uint16_t kEaseTo = 0x0008;
constexpr uint16_t kEaseFrom = 0x0010;

class Writer3DS {
 public:
  // Opens a chunk; its length is patched by the matching End.
  Writer3DS& Begin(uint16_t id);
  Writer3DS& End();
  // A bare header with the given length; no chunk is opened.
  Writer3DS& Header(uint16_t id, uint32_t length);

  Writer3DS& U8(uint8_t value);
  Writer3DS& U16(uint16_t value);
  Writer3DS& U32(uint32_t value);
  Writer3DS& F32(float value);
  Writer3DS& Floats(std::initializer_list<float> values);
  Writer3DS& U16s(std::initializer_list<uint16_t> values);
  // Text and its terminating zero.
  Writer3DS& Text(const std::string& text);
  Writer3DS& Bytes(const std::vector<uint8_t>& bytes);

  // A colour sub-chunk: 0x0011 with three bytes, or 0x0010 with three floats.
  Writer3DS& ByteColour(uint8_t r, uint8_t g, uint8_t b);
  Writer3DS& FloatColour(float r, float g, float b);
  // Track header: flags, 8 bytes of zero, key count.
  Writer3DS& TrackHeader(uint16_t flags, uint32_t keyCount);
  // One key: frame, spline flags, one f32 per spline bit set (kSplineFiller, so a reader that
  // keeps them shows it), then the key's values.
  Writer3DS& Key(uint32_t frame, uint16_t splineFlags, std::initializer_list<float> values);

  // Every chunk opened with Begin must be closed before these are used.
  const std::vector<uint8_t>& Data() const { return bytes; }
  bool Complete() const { return open.empty(); }
  // Writes Data() to path; false when the file cannot be written.
  bool Save(const std::string& path) const;

  static constexpr float kSplineFiller = -12345.0f;

 private:
  std::vector<uint8_t> bytes;
  std::vector<size_t> open;  // offsets of the headers of open chunks
};

}  // namespace write3ds
