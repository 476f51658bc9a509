// png_codec.cpp -- every libpng call of the project: the row-streaming reader and both writers
#include "platform/services/png_codec.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

namespace platform_png {

namespace {

// Deflate never expands more than about 1032 to 1; a file too short to hold its image's rows
// at that rate is refused before its pixels are allocated.
constexpr uint64_t kMaxInflateRatio = 1032;
// Chunks libpng would allocate for that no reader here has use for: they are skipped unread.
const png_byte kIgnoredChunks[] = "bKGD\0cHRM\0eXIf\0gAMA\0hIST\0iCCP\0iTXt\0oFFs\0pCAL\0pHYs\0sBIT\0sCAL\0sPLT\0sRGB\0"
                                  "sTER\0tEXt\0tIME\0zTXt";
constexpr int kFastCompressionLevel = 2;

struct Source {
  const uint8_t* bytes;
  size_t size;
  size_t pos = 8;  // after the signature, checked before libpng starts
  char message[256] = "";
};

void OnError(png_structp png, png_const_charp message) {
  auto* source = static_cast<Source*>(png_get_error_ptr(png));
  std::snprintf(source->message, sizeof source->message, "%s", message);
  png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void OnRead(png_structp png, png_bytep to, size_t length) {
  auto* source = static_cast<Source*>(png_get_io_ptr(png));
  if (source->size - source->pos < length) png_error(png, "the file ends early");
  std::memcpy(to, source->bytes + source->pos, length);
  source->pos += length;
}

uint32_t Be32(const uint8_t* b) {
  return (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | b[3];
}

// The libpng stages are kept apart from every object with a destructor: libpng's error path
// longjmps out of them, so nothing in their frames may need unwinding. Memory is allocated and
// the sink is called between them, where failures are ordinary returns.
bool ReadHeader(png_structp png, png_infop info, Source* source, ChannelOrder order, png_uint_32* w,
                png_uint_32* h, int* passes) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_read_fn(png, source, OnRead);
  png_set_sig_bytes(png, 8);
  png_set_chunk_cache_max(png, 128);
  png_set_chunk_malloc_max(png, 8u << 20);
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, kIgnoredChunks, static_cast<int>(sizeof kIgnoredChunks / 5));
  png_read_info(png, info);
  *w = png_get_image_width(png, info);
  *h = png_get_image_height(png, info);
  uint64_t rawBytes = static_cast<uint64_t>(*h) * (png_get_rowbytes(png, info) + 1);
  if (rawBytes > static_cast<uint64_t>(source->size) * kMaxInflateRatio) {
    std::snprintf(source->message, sizeof source->message, "%zu bytes cannot hold the pixels of a %ux%u image",
                  source->size, static_cast<unsigned>(*w), static_cast<unsigned>(*h));
    return false;
  }
  // Every PNG becomes 8-bit, four channels.
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_filler(png, 0xff, PNG_FILLER_AFTER);
  if (order == ChannelOrder::kBgra) png_set_bgr(png);
  *passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != static_cast<size_t>(*w) * 4) {
    std::snprintf(source->message, sizeof source->message, "unexpected pixel layout");
    return false;
  }
  return true;
}

bool ReadRow(png_structp png, png_bytep row) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_row(png, row, nullptr);
  return true;
}

bool ReadImage(png_structp png, png_bytepp rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_image(png, rows);
  return true;
}

bool ReadEnd(png_structp png) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_end(png, nullptr);
  return true;
}

// The rows after the header: one reused row for a plain image; an interlaced one comes in
// seven passes over the whole picture, so it is gathered first and handed on row by row.
DecodeStatus ReadRows(png_structp png, png_uint_32 w, png_uint_32 h, int passes, RowSink* sink) {
  const size_t rowBytes = static_cast<size_t>(w) * 4;
  std::vector<uint8_t> pixels;
  std::vector<png_bytep> rows;
  try {
    pixels.resize(passes > 1 ? rowBytes * h : rowBytes);
    if (passes > 1) rows.resize(h);
  } catch (const std::bad_alloc&) {
    return DecodeStatus::kNoMemory;
  }
  if (passes > 1) {
    for (png_uint_32 y = 0; y < h; ++y) rows[y] = pixels.data() + rowBytes * y;
    if (!ReadImage(png, rows.data())) return DecodeStatus::kCorrupt;
    for (png_uint_32 y = 0; y < h; ++y)
      if (!sink->Row(y, rows[y])) return DecodeStatus::kSinkStopped;
  } else {
    for (png_uint_32 y = 0; y < h; ++y) {
      if (!ReadRow(png, pixels.data())) return DecodeStatus::kCorrupt;
      if (!sink->Row(y, pixels.data())) return DecodeStatus::kSinkStopped;
    }
  }
  return ReadEnd(png) ? DecodeStatus::kOk : DecodeStatus::kCorrupt;
}

}  // namespace

DecodeStatus Decode(const uint8_t* bytes, size_t size, ChannelOrder order, uint32_t maxSide, RowSink* sink,
                    std::string* problem) {
  if (size < 8 || png_sig_cmp(bytes, 0, 8) != 0) {
    *problem = "not a PNG file";
    return DecodeStatus::kNotPng;
  }
  // A picture past the largest side is refused by its header before libpng reads anything.
  if (size >= 24 && std::memcmp(bytes + 12, "IHDR", 4) == 0) {
    uint32_t w = Be32(bytes + 16), h = Be32(bytes + 20);
    if (w > maxSide || h > maxSide) {
      char text[96];
      std::snprintf(text, sizeof text, "the image is %ux%u", w, h);
      *problem = text;
      return DecodeStatus::kTooLarge;
    }
  }
  Source source{bytes, size};
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &source, OnError, OnWarning);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!png || !info) {
    png_destroy_read_struct(png ? &png : nullptr, nullptr, nullptr);
    *problem = "no memory for the decoder";
    return DecodeStatus::kNoMemory;
  }
  png_set_user_limits(png, maxSide, maxSide);
  png_uint_32 w = 0, h = 0;
  int passes = 1;
  DecodeStatus status = DecodeStatus::kCorrupt;
  if (ReadHeader(png, info, &source, order, &w, &h, &passes)) {
    status = sink->Header(w, h) ? ReadRows(png, w, h, passes, sink) : DecodeStatus::kSinkStopped;
  }
  png_destroy_read_struct(&png, &info, nullptr);
  if (status == DecodeStatus::kCorrupt) *problem = std::string("corrupt PNG: ") + source.message;
  if (status == DecodeStatus::kNoMemory) *problem = "no memory for the image's pixels";
  return status;
}

namespace {

struct WriteState {
  char message[256] = "";
};

void OnWriteError(png_structp png, png_const_charp message) {
  auto* state = static_cast<WriteState*>(png_get_error_ptr(png));
  std::snprintf(state->message, sizeof state->message, "%s", message);
  png_longjmp(png, 1);
}

// kFast: only plain data lives in this frame, so libpng's longjmp on an error skips no destructor.
bool WriteFastRows(FILE* file, const Pixels& p, png_bytep* rows, WriteState* state) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, state, OnWriteError, OnWarning);
  if (!png) return false;
  png_infop info = png_create_info_struct(png);
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, info ? &info : nullptr);
    return false;
  }
  png_init_io(png, file);
  png_set_compression_level(png, kFastCompressionLevel);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
  png_set_IHDR(png, info, static_cast<png_uint_32>(p.width), static_cast<png_uint_32>(p.height), 8,
               p.channels == 4 ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  png_write_image(png, rows);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

bool WriteFast(const char* path, const Pixels& p, std::string* problem) {
  std::vector<png_bytep> rows(static_cast<size_t>(p.height));
  for (int y = 0; y < p.height; ++y) rows[static_cast<size_t>(y)] = const_cast<png_bytep>(p.data + p.pitch * y);
  FILE* file = std::fopen(path, "wb");
  if (!file) {
    *problem = std::string("cannot be written (") + std::strerror(errno) + ")";
    return false;
  }
  WriteState state;
  bool ok = WriteFastRows(file, p, rows.data(), &state);
  if (!ok && !state.message[0]) std::snprintf(state.message, sizeof state.message, "out of memory");
  if (std::fclose(file) != 0 && ok) {
    ok = false;
    std::snprintf(state.message, sizeof state.message, "%s", std::strerror(errno));
  }
  if (!ok) *problem = std::string("cannot be written (") + state.message + ")";
  return ok;
}

bool WriteStandard(const char* path, const Pixels& p, std::string* problem) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(p.width);
  image.height = static_cast<png_uint_32>(p.height);
  image.format = p.channels == 4 ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
  if (!png_image_write_to_file(&image, path, 0, p.data, static_cast<png_int_32>(p.pitch), nullptr)) {
    *problem = std::string("cannot be written (") + image.message + ")";
    png_image_free(&image);
    return false;
  }
  return true;
}

}  // namespace

bool WriteFile(const char* path, const Pixels& pixels, Encoding encoding, std::string* problem) {
  if (pixels.width <= 0 || pixels.height <= 0 || (pixels.channels != 3 && pixels.channels != 4) || !pixels.data ||
      pixels.pitch < static_cast<size_t>(pixels.width) * pixels.channels) {
    *problem = "cannot be written (no pixels, or a layout that is not 8-bit RGB or RGBA)";
    return false;
  }
  return encoding == Encoding::kFast ? WriteFast(path, pixels, problem) : WriteStandard(path, pixels, problem);
}

}  // namespace platform_png
