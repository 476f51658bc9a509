// gif_writer.h -- captured frames as an animated GIF that loops, with one palette for the clip
//
// A GIF holds 256 colours and no sound. While the capture runs, each frame is scaled to the
// output size (Convert) and kept (RGB, in a temporary file) and its colours are counted
// (Encode, in frame order). At the end one
// palette is made for the whole clip by median cut over those counts, every frame is dithered
// to it (Floyd-Steinberg, in raster order) and FFmpeg's GIF encoder and muxer write the frames,
// looping forever. Nothing depends on the clock or on threads: the same frames give the same
// bytes. A GIF's delays are hundredths of a second, so it plays at most 50 frames per second.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "tools/capture/frame_scaler.h"
#include "tools/capture/frame_sink.h"

namespace capture {

// True when path ends with ".gif" (in any case).
bool IsGifPath(const std::string& path);

class GifWriter : public FrameSink {
 public:
  static constexpr uint32_t kMaxFps = 50;

  struct Settings {
    std::string path;
    int sourceWidth = 0;
    int sourceHeight = 0;
    int width = 0;
    int height = 0;
    uint32_t fps = 25;
  };

  GifWriter() = default;
  ~GifWriter() override;
  GifWriter(const GifWriter&) = delete;
  GifWriter& operator=(const GifWriter&) = delete;

  // Checks the settings and that the file can be written. False with *problem set.
  bool Open(const Settings& settings, std::string* problem);
  bool Reserve(int slots, std::string* problem) override;
  // Scales the frame into the slot.
  bool Convert(const pictures::FrameView& image, int slot, std::string* problem) override;
  // Counts the slot's colours and keeps its pixels for the end.
  bool Encode(int slot, uint32_t index, std::string* problem) override;
  // The palette, the dithered frames and the file.
  bool Finish(std::string* problem) override;

  // 256 colours (R, G, B) for a histogram of 32 x 32 x 32 bins (index r << 10 | g << 5 | b),
  // by median cut: the box of most pixels is split at its median along its longest side. Fewer
  // colours when the clip has fewer.
  static std::vector<uint8_t> MedianCutPalette(const std::vector<uint64_t>& histogram);
  // The frame's pixels (RGB) as palette indices, the error of each diffused to its neighbours.
  static void Dither(const uint8_t* rgb, int width, int height, const std::vector<uint8_t>& palette,
                     std::vector<uint16_t>* nearestCache, uint8_t* indices);

 private:
  bool WriteFile(std::string* problem);
  void Close();

  Settings settings_;
  FrameScaler scaler_;
  std::vector<std::vector<uint8_t>> slots_;  // converted frames at the output size
  std::vector<uint8_t> rgb_;          // one kept frame, read again at the end
  std::vector<uint64_t> histogram_;   // 32 x 32 x 32 colour bins of every frame so far
  FILE* spool_ = nullptr;             // the frames so far
  uint32_t frames_ = 0;
  bool finished_ = false;
};

}  // namespace capture
