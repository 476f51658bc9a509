// gif_writer.cpp -- the clip's palette by median cut, Floyd-Steinberg dithering, FFmpeg's GIF muxer
#include "tools/capture/gif_writer.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <algorithm>
#include <array>
#include <cctype>
#include <cerrno>
#include <cstring>

#include "tools/capture/video_writer.h"

namespace capture {

namespace {

constexpr int kBits = 5;  // histogram bins per channel: 32
constexpr int kBins = 1 << kBits;
constexpr int kPaletteSize = 256;
constexpr uint16_t kUnknown = 0xFFFF;

int BinOf(int r, int g, int b) { return (r >> 3) << (2 * kBits) | (g >> 3) << kBits | (b >> 3); }

struct Box {
  std::array<int, 3> lo, hi;  // inclusive bin ranges per channel
  uint64_t count = 0;
};

uint64_t& At(std::vector<uint64_t>& h, int r, int g, int b) { return h[(r << (2 * kBits)) | (g << kBits) | b]; }

// Shrinks the box to the bins it holds pixels in and counts them; false when it holds none.
bool Fit(std::vector<uint64_t>& h, Box* box) {
  std::array<int, 3> lo = {kBins, kBins, kBins}, hi = {-1, -1, -1};
  uint64_t count = 0;
  for (int r = box->lo[0]; r <= box->hi[0]; ++r)
    for (int g = box->lo[1]; g <= box->hi[1]; ++g)
      for (int b = box->lo[2]; b <= box->hi[2]; ++b) {
        uint64_t n = At(h, r, g, b);
        if (!n) continue;
        count += n;
        const int c[3] = {r, g, b};
        for (int k = 0; k < 3; ++k) {
          lo[k] = std::min(lo[k], c[k]);
          hi[k] = std::max(hi[k], c[k]);
        }
      }
  if (!count) return false;
  box->lo = lo;
  box->hi = hi;
  box->count = count;
  return true;
}

// The pixels of the box in slice s of axis (all bins of the box with that channel's bin s).
uint64_t SliceCount(std::vector<uint64_t>& h, const Box& box, int axis, int s) {
  Box slice = box;
  slice.lo[axis] = slice.hi[axis] = s;
  uint64_t n = 0;
  for (int r = slice.lo[0]; r <= slice.hi[0]; ++r)
    for (int g = slice.lo[1]; g <= slice.hi[1]; ++g)
      for (int b = slice.lo[2]; b <= slice.hi[2]; ++b) n += At(h, r, g, b);
  return n;
}

std::string Failed(const std::string& path, const char* what, int error) {
  return path + ": " + what + " (" + AvErrorText(error) + ")";
}

}  // namespace

bool IsGifPath(const std::string& path) {
  if (path.size() < 4) return false;
  std::string end = path.substr(path.size() - 4);
  for (char& c : end) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return end == ".gif";
}

std::vector<uint8_t> GifWriter::MedianCutPalette(const std::vector<uint64_t>& histogram) {
  std::vector<uint64_t> h = histogram;
  h.resize(static_cast<size_t>(kBins) * kBins * kBins, 0);
  std::vector<Box> boxes;
  Box all{{0, 0, 0}, {kBins - 1, kBins - 1, kBins - 1}, 0};
  if (Fit(h, &all)) boxes.push_back(all);
  while (boxes.size() < static_cast<size_t>(kPaletteSize)) {
    // The box of most pixels that can still be split; ties go to the first.
    int pick = -1;
    for (size_t i = 0; i < boxes.size(); ++i) {
      const Box& b = boxes[i];
      bool splittable = b.hi[0] > b.lo[0] || b.hi[1] > b.lo[1] || b.hi[2] > b.lo[2];
      if (splittable && (pick < 0 || b.count > boxes[static_cast<size_t>(pick)].count)) pick = static_cast<int>(i);
    }
    if (pick < 0) break;
    Box box = boxes[static_cast<size_t>(pick)];
    int axis = 0;
    for (int k = 1; k < 3; ++k)
      if (box.hi[k] - box.lo[k] > box.hi[axis] - box.lo[axis]) axis = k;
    // Split after the slice where half of the box's pixels are reached (never after the last).
    uint64_t seen = 0;
    int cut = box.lo[axis];
    for (int s = box.lo[axis]; s < box.hi[axis]; ++s) {
      seen += SliceCount(h, box, axis, s);
      cut = s;
      if (seen * 2 >= box.count) break;
    }
    Box low = box, high = box;
    low.hi[axis] = cut;
    high.lo[axis] = cut + 1;
    Fit(h, &low);
    Fit(h, &high);
    boxes[static_cast<size_t>(pick)] = low;
    boxes.push_back(high);
  }
  // Each colour is the pixel-weighted mean of its box's bin centres.
  std::vector<uint8_t> palette;
  for (const Box& box : boxes) {
    double sum[3] = {0, 0, 0};
    for (int r = box.lo[0]; r <= box.hi[0]; ++r)
      for (int g = box.lo[1]; g <= box.hi[1]; ++g)
        for (int b = box.lo[2]; b <= box.hi[2]; ++b) {
          const double n = static_cast<double>(At(h, r, g, b));
          sum[0] += n * (r * 8 + 4);
          sum[1] += n * (g * 8 + 4);
          sum[2] += n * (b * 8 + 4);
        }
    for (double s : sum)
      palette.push_back(static_cast<uint8_t>(std::clamp(s / static_cast<double>(box.count) + 0.5, 0.0, 255.0)));
  }
  return palette;
}

void GifWriter::Dither(const uint8_t* rgb, int width, int height, const std::vector<uint8_t>& palette,
                       std::vector<uint16_t>* nearestCache, uint8_t* indices) {
  const int colours = static_cast<int>(palette.size() / 3);
  std::vector<uint16_t>& cache = *nearestCache;
  if (cache.size() != static_cast<size_t>(kBins) * kBins * kBins) cache.assign(static_cast<size_t>(kBins) * kBins * kBins, kUnknown);
  // The error carried to this row and the next, in 1/16 steps, with a pixel of margin each side.
  std::vector<int> here(static_cast<size_t>(width + 2) * 3, 0), next(here.size(), 0);
  for (int y = 0; y < height; ++y) {
    std::fill(next.begin(), next.end(), 0);
    for (int x = 0; x < width; ++x) {
      const uint8_t* p = rgb + (static_cast<size_t>(y) * width + x) * 3;
      int c[3];
      for (int k = 0; k < 3; ++k) c[k] = std::clamp(p[k] + here[static_cast<size_t>(x + 1) * 3 + k] / 16, 0, 255);
      uint16_t& best = cache[static_cast<size_t>(BinOf(c[0], c[1], c[2]))];
      if (best == kUnknown) {
        // Nearest to the bin's centre: every pixel of a bin maps alike, and the error
        // diffusion makes up the difference.
        const int centre[3] = {(c[0] & ~7) + 4, (c[1] & ~7) + 4, (c[2] & ~7) + 4};
        int bestDistance = 1 << 30;
        for (int i = 0; i < colours; ++i) {
          int d = 0;
          for (int k = 0; k < 3; ++k) {
            const int e = centre[k] - palette[static_cast<size_t>(i) * 3 + k];
            d += e * e;
          }
          if (d < bestDistance) {
            bestDistance = d;
            best = static_cast<uint16_t>(i);
          }
        }
      }
      indices[static_cast<size_t>(y) * width + x] = static_cast<uint8_t>(best);
      for (int k = 0; k < 3; ++k) {
        const int error = c[k] - palette[static_cast<size_t>(best) * 3 + k];
        here[static_cast<size_t>(x + 2) * 3 + k] += error * 7;
        next[static_cast<size_t>(x) * 3 + k] += error * 3;
        next[static_cast<size_t>(x + 1) * 3 + k] += error * 5;
        next[static_cast<size_t>(x + 2) * 3 + k] += error * 1;
      }
    }
    here.swap(next);
  }
}

GifWriter::~GifWriter() {
  if (!finished_ && spool_) {
    std::string ignored;
    Finish(&ignored);  // a playable file with the frames so far, whatever happened before
  }
  Close();
}

void GifWriter::Close() {
  if (spool_) std::fclose(spool_);
  spool_ = nullptr;
}

bool GifWriter::Open(const Settings& settings, std::string* problem) {
  Close();
  settings_ = settings;
  frames_ = 0;
  finished_ = false;
  if (settings.fps == 0 || settings.fps > kMaxFps) {
    *problem = "a GIF plays at most 50 frames per second (its delays are hundredths of a second): give --fps 50 "
               "or fewer";
    return false;
  }
  FILE* probe = std::fopen(settings.path.c_str(), "wb");
  if (!probe) {
    *problem = settings.path + ": cannot be written (" + std::strerror(errno) + ")";
    return false;
  }
  std::fclose(probe);
  spool_ = std::tmpfile();
  if (!spool_) {
    *problem = std::string("no temporary file for the GIF's frames (") + std::strerror(errno) + ")";
    return false;
  }
  rgb_.assign(static_cast<size_t>(settings.width) * settings.height * 3, 0);
  histogram_.assign(static_cast<size_t>(kBins) * kBins * kBins, 0);
  return scaler_.Open(settings.sourceWidth, settings.sourceHeight, settings.width, settings.height, AV_PIX_FMT_RGB24,
                      problem);
}

bool GifWriter::Reserve(int slots, std::string* problem) {
  if (slots < 1 || slots > kMaxSlots) {
    *problem = "a GIF keeps 1 to " + std::to_string(kMaxSlots) + " converted frames at once";
    return false;
  }
  slots_.assign(static_cast<size_t>(slots), std::vector<uint8_t>(rgb_.size(), 0));
  return true;
}

bool GifWriter::Convert(const pictures::FrameView& image, int slot, std::string* problem) {
  if (!spool_ || finished_ || slot < 0 || static_cast<size_t>(slot) >= slots_.size()) {
    *problem = "the GIF is not open for this frame";
    return false;
  }
  uint8_t* planes[4] = {slots_[static_cast<size_t>(slot)].data(), nullptr, nullptr, nullptr};
  int strides[4] = {settings_.width * 3, 0, 0, 0};
  if (scaler_.Scale(image, planes, strides)) return true;
  *problem = "the frame could not be converted for the GIF";
  return false;
}

bool GifWriter::Encode(int slot, uint32_t index, std::string* problem) {
  if (!spool_ || finished_ || slot < 0 || static_cast<size_t>(slot) >= slots_.size() || index != frames_) {
    *problem = "the GIF is not open for frame " + std::to_string(index);
    return false;
  }
  const std::vector<uint8_t>& rgb = slots_[static_cast<size_t>(slot)];
  for (size_t i = 0; i < rgb.size(); i += 3) ++histogram_[static_cast<size_t>(BinOf(rgb[i], rgb[i + 1], rgb[i + 2]))];
  if (std::fwrite(rgb.data(), 1, rgb.size(), spool_) != rgb.size()) {
    *problem = std::string("the GIF's frames cannot be kept in a temporary file (") + std::strerror(errno) + ")";
    return false;
  }
  ++frames_;
  return true;
}

bool GifWriter::Finish(std::string* problem) {
  if (finished_) return true;
  finished_ = true;
  if (!spool_) {
    *problem = "the GIF is not open";
    return false;
  }
  bool ok = WriteFile(problem);
  Close();
  return ok;
}

bool GifWriter::WriteFile(std::string* problem) {
  const std::string& path = settings_.path;
  const std::vector<uint8_t> palette = MedianCutPalette(histogram_);
  AVFormatContext* format = nullptr;
  int error = avformat_alloc_output_context2(&format, nullptr, "gif", path.c_str());
  if (error < 0 || !format) {
    *problem = Failed(path, "libavformat here has no GIF muxer", error);
    return false;
  }
  format->flags |= AVFMT_FLAG_BITEXACT;
  const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_GIF);
  AVStream* stream = codec ? avformat_new_stream(format, nullptr) : nullptr;
  AVCodecContext* gif = stream ? avcodec_alloc_context3(codec) : nullptr;
  AVFrame* frame = av_frame_alloc();
  AVPacket* packet = av_packet_alloc();
  bool ok = gif && frame && packet;
  if (!ok) *problem = codec ? "no memory for the GIF encoder" : "FFmpeg's libavcodec here has no GIF encoder";
  const AVRational rate = {static_cast<int>(settings_.fps), 1};
  if (ok) {
    gif->width = settings_.width;
    gif->height = settings_.height;
    gif->pix_fmt = AV_PIX_FMT_PAL8;
    gif->time_base = av_inv_q(rate);
    gif->framerate = rate;
    gif->flags |= AV_CODEC_FLAG_BITEXACT;
    error = avcodec_open2(gif, codec, nullptr);
    if (error < 0) *problem = Failed(path, "the GIF encoder refused the frames", error), ok = false;
  }
  if (ok) {
    avcodec_parameters_from_context(stream->codecpar, gif);
    stream->time_base = gif->time_base;
    frame->format = AV_PIX_FMT_PAL8;
    frame->width = settings_.width;
    frame->height = settings_.height;
    error = av_frame_get_buffer(frame, 0);
    if (error < 0) *problem = "no memory for the GIF's frame", ok = false;
  }
  if (ok) {
    error = avio_open(&format->pb, path.c_str(), AVIO_FLAG_WRITE);
    if (error < 0) *problem = Failed(path, "cannot be written", error), ok = false;
  }
  AVDictionary* options = nullptr;
  av_dict_set(&options, "loop", "0", 0);  // for ever
  if (ok) {
    error = avformat_write_header(format, &options);
    if (error < 0) *problem = Failed(path, "the GIF's header cannot be written", error), ok = false;
  }
  av_dict_free(&options);
  auto drain = [&]() {
    while (ok && (error = avcodec_receive_packet(gif, packet)) == 0) {
      av_packet_rescale_ts(packet, gif->time_base, stream->time_base);
      packet->stream_index = stream->index;
      error = av_interleaved_write_frame(format, packet);
      if (error < 0) *problem = Failed(path, "cannot be written", error), ok = false;
    }
  };
  std::vector<uint16_t> cache;
  std::vector<uint8_t> indices(static_cast<size_t>(settings_.width) * settings_.height);
  if (ok && std::fseek(spool_, 0, SEEK_SET) != 0) *problem = "the GIF's kept frames cannot be read again", ok = false;
  for (uint32_t i = 0; ok && i < frames_; ++i) {
    if (std::fread(rgb_.data(), 1, rgb_.size(), spool_) != rgb_.size()) {
      *problem = "the GIF's kept frames cannot be read again";
      ok = false;
      break;
    }
    Dither(rgb_.data(), settings_.width, settings_.height, palette, &cache, indices.data());
    if (av_frame_make_writable(frame) < 0) {
      *problem = "no memory for the GIF's frame";
      ok = false;
      break;
    }
    for (int y = 0; y < settings_.height; ++y)
      std::memcpy(frame->data[0] + static_cast<ptrdiff_t>(y) * frame->linesize[0],
                  indices.data() + static_cast<size_t>(y) * settings_.width, static_cast<size_t>(settings_.width));
    auto* colours = reinterpret_cast<uint32_t*>(frame->data[1]);
    for (int c = 0; c < kPaletteSize; ++c) {
      const size_t at = static_cast<size_t>(c) * 3;
      colours[c] = at + 2 < palette.size()
                       ? 0xFF000000u | uint32_t{palette[at]} << 16 | uint32_t{palette[at + 1]} << 8 | palette[at + 2]
                       : 0xFF000000u;
    }
    frame->pts = i;
    error = avcodec_send_frame(gif, frame);
    if (error < 0) *problem = Failed(path, "the GIF encoder failed", error), ok = false;
    drain();
  }
  if (ok) {
    avcodec_send_frame(gif, nullptr);
    drain();
    error = av_write_trailer(format);
    if (error < 0) *problem = Failed(path, "the GIF's end cannot be written", error), ok = false;
  }
  avcodec_free_context(&gif);
  av_frame_free(&frame);
  av_packet_free(&packet);
  if (format->pb) avio_closep(&format->pb);
  avformat_free_context(format);
  return ok;
}

}  // namespace capture
