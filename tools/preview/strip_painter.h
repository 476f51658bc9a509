// strip_painter.h -- the timeline strip's picture: waveform, grid, sections, events, loop
//
// The strip lies under the demo's picture, as wide as the window's back buffer, kHeight pixels
// high. From the top: the whole song (section names, the waveform with a line on every bar,
// layer 0's events as coloured blocks with their arguments, bar numbers), then the same for the
// eight bars around the playhead with a line on every beat, then two lines of readout. The
// painter draws all but the playheads and the readout, which change every frame; it is run
// only when what it shows changes (the loop, the zoomed bars, the waveform becoming ready), into
// one canvas allocated once.
#pragma once

#include <cstdint>

#include "tools/media/canvas.h"
#include "tools/preview/strip_model.h"
#include "tools/preview/waveform.h"

namespace preview {

struct Band {
  int top;       // from the strip's top
  int sections;  // rows of each part, from the band's top
  int wave;
  int waveHeight;
  int events;
  int eventsHeight;
  int bars;
  int bottom;
};

class StripLayout {
 public:
  static constexpr int kHeight = 224;
  static constexpr Band kWhole{0, 0, 11, 50, 62, 20, 83, 94};
  static constexpr Band kZoom{96, 96, 107, 44, 152, 24, 177, 188};
  static constexpr int kReadoutTop = 192;  // two lines of text at scale 2, 16 pixels apart
  static constexpr uint32_t kZoomBars = 8;

  StripLayout(int width, const StripModel& model);
  int Width() const { return width_; }

  // Columns of the whole song and of the zoomed band (which starts at zoomStartMs).
  int WholeX(uint32_t ms) const;
  int ZoomX(uint32_t ms, uint32_t zoomStartMs) const;
  uint32_t WholeMsAt(int x) const;
  uint32_t ZoomMsAt(int x, uint32_t zoomStartMs) const;
  // The zoomed band's first bar for a playhead: it moves in steps of four bars and keeps the
  // playhead within its middle.
  uint32_t ZoomFirstBar(uint32_t playheadMs) const;
  uint32_t BarMs(uint32_t bar) const;
  uint32_t ZoomSpanMs(uint32_t firstBar) const { return BarMs(firstBar + kZoomBars) - BarMs(firstBar); }
  // Where a click at (x, y) of the strip seeks: true with *ms on either band.
  bool SeekAt(int x, int y, uint32_t zoomFirstBar, uint32_t* ms) const;
  uint32_t LengthMs() const { return length_; }

 private:
  uint32_t ZoomFirstBarOfStart(uint32_t zoomStartMs) const;

  int width_;
  uint32_t length_;
  Grid grid_;
};

// What the painted strip depends on beyond the model.
struct StripView {
  uint32_t zoomFirstBar = 0;
  bool hasLoop = false;  // a range is marked
  bool loopOn = false;
  uint32_t loopStart = 0, loopEnd = 0;
  bool waveformReady = false;

  bool operator==(const StripView& o) const {
    return zoomFirstBar == o.zoomFirstBar && hasLoop == o.hasLoop && loopOn == o.loopOn &&
           loopStart == o.loopStart && loopEnd == o.loopEnd && waveformReady == o.waveformReady;
  }
  bool operator!=(const StripView& o) const { return !(*this == o); }
};

// The colour of a picture type's blocks (and of its label in the readout).
media::Color PictureTypeColor(int32_t type);

class StripPainter {
 public:
  StripPainter(const StripModel& model, const StripLayout& layout);
  // Paints the strip for view; envelope null (or not ready) leaves the waveform out.
  void Paint(const StripView& view, const Envelope* envelope);
  const media::Canvas& Canvas() const { return canvas_; }

 private:
  void PaintBand(const Band& band, uint32_t fromMs, uint32_t spanMs, const StripView& view, const Envelope* envelope,
                 bool zoomed);

  const StripModel& model_;
  const StripLayout& layout_;
  media::Canvas canvas_;
};

}  // namespace preview
