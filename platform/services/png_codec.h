// png_codec.h -- PNG files read and written through libpng, for every layer that needs one
//
// The texture loader, the pictures module (tests, shots, capture, media generators) and the
// benchmarks all read and write PNGs here, so that every reader agrees on what a file holds and
// every writer's bytes are decided in one place.
//
// Reading: any PNG (palette, grey, 16-bit, interlaced, with or without alpha) becomes 8-bit
// rows of four channels, handed to the caller one row at a time, top row first, so a large
// picture can go straight into its final storage without a second full copy. The pixels are
// bounded before they are allocated: by the caller's largest side, and by what the file's
// size can hold at deflate's largest ratio.
//
// Writing: two encodings. kStandard is libpng's simplified writer with its fixed settings (an
// sRGB chunk, no time stamp): the same pixels give the same bytes on every run, as the
// committed media need. kFast is zlib level 2 with the "sub" filter alone, several times
// faster for captured frames and still lossless.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform_png {

enum class ChannelOrder { kRgba, kBgra };  // kBgra is A8R8G8B8's byte order in memory

// Receives a decoded picture. Header is called once, before any row; returning false stops the
// decode (the sink says why in its own words, e.g. no memory). Row is called for y = 0, 1, ...,
// height - 1 with width x 4 bytes; its bytes are valid only during the call.
class RowSink {
 public:
  virtual ~RowSink() = default;
  virtual bool Header(uint32_t width, uint32_t height) = 0;
  virtual bool Row(uint32_t y, const uint8_t* pixels) = 0;
};

enum class DecodeStatus {
  kOk,
  kNotPng,        // no PNG signature
  kTooLarge,      // a side past maxSide
  kCorrupt,       // libpng's own complaint, or a size the file cannot hold
  kNoMemory,      // the decoder's working memory could not be had
  kSinkStopped,   // the sink's Header or Row returned false
};

// Decodes the PNG held in bytes. *problem says what went wrong (without the file's name) for
// every status but kOk and kSinkStopped.
DecodeStatus Decode(const uint8_t* bytes, size_t size, ChannelOrder order, uint32_t maxSide, RowSink* sink,
                    std::string* problem);

enum class Encoding { kStandard, kFast };

// 8-bit pixels to write: channels 3 (RGB) or 4 (RGBA), row 0 at the top, pitch bytes apart.
struct Pixels {
  int width = 0;
  int height = 0;
  int channels = 4;
  const uint8_t* data = nullptr;
  size_t pitch = 0;
};

// Writes the pixels to path (replacing it). False with *problem set: "cannot be written (...)".
bool WriteFile(const char* path, const Pixels& pixels, Encoding encoding, std::string* problem);

}  // namespace platform_png
