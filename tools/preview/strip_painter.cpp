// strip_painter.cpp -- the strip's layout and its picture, drawn into one canvas
#include "tools/preview/strip_painter.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "tools/media/font.h"

namespace preview {

namespace {

constexpr uint32_t kBarSixteenths = 16;
constexpr uint32_t kBeatSixteenths = 4;

const media::Color kBackground = media::Rgb(16, 18, 24);
const media::Color kBandBackground = media::Rgb(24, 28, 36);
const media::Color kText = media::Rgb(230, 225, 200);
const media::Color kInk = media::Rgb(12, 12, 16);
const media::Color kPeak = media::Rgb(70, 110, 130);
const media::Color kRms = media::Rgb(140, 210, 230);
const media::Color kBarLine = media::Rgb(78, 86, 104);
const media::Color kStrongLine = media::Rgb(130, 138, 156);
const media::Color kSectionLine = media::Rgb(230, 200, 90);
const media::Color kLoopOn = media::Rgb(40, 70, 120);
const media::Color kLoopOff = media::Rgb(44, 48, 60);

uint32_t Clip(uint64_t v) { return static_cast<uint32_t>(std::min<uint64_t>(v, 0xFFFFFFFFu)); }

// The blend of a colour over what is there, for the loop's tint under the waveform.
void Tint(media::Canvas& c, int x0, int y0, int x1, int y1, media::Color color) {
  c.FillRect(std::max(x0, 0), y0, std::min(x1, c.Width()), y1, color);
}

void VLine(media::Canvas& c, int x, int y0, int y1, media::Color color) { c.FillRect(x, y0, x + 1, y1, color); }

// A grid line lightens what lies under it, so it shows on the loop's tint as on the background.
void GridLine(media::Canvas& c, int x, int y0, int y1, int lighten) {
  for (int y = y0; y < y1; ++y) {
    media::Color p = c.Get(x, y);
    c.Set(x, y, media::Rgb(std::min(p.r + lighten, 255), std::min(p.g + lighten, 255), std::min(p.b + lighten, 255)));
  }
}

}  // namespace

StripLayout::StripLayout(int width, const StripModel& model)
    : width_(std::max(width, 1)), length_(std::max<uint32_t>(model.lengthMs, 1)), grid_(model.bpm) {}

int StripLayout::WholeX(uint32_t ms) const {
  return static_cast<int>(static_cast<uint64_t>(std::min(ms, length_)) * static_cast<uint64_t>(width_) / length_);
}

int StripLayout::ZoomX(uint32_t ms, uint32_t zoomStartMs) const {
  uint32_t span = ZoomSpanMs(ZoomFirstBarOfStart(zoomStartMs));
  int64_t d = static_cast<int64_t>(ms) - static_cast<int64_t>(zoomStartMs);
  return static_cast<int>(d * width_ / std::max<int64_t>(span, 1));
}

uint32_t StripLayout::WholeMsAt(int x) const {
  x = std::clamp(x, 0, width_);
  return Clip(static_cast<uint64_t>(x) * length_ / static_cast<uint64_t>(width_));
}

uint32_t StripLayout::ZoomMsAt(int x, uint32_t zoomStartMs) const {
  x = std::clamp(x, 0, width_);
  uint32_t span = ZoomSpanMs(ZoomFirstBarOfStart(zoomStartMs));
  return Clip(zoomStartMs + static_cast<uint64_t>(x) * span / static_cast<uint64_t>(width_));
}

uint32_t StripLayout::BarMs(uint32_t bar) const { return grid_.SixteenthsToMs(static_cast<uint64_t>(bar) * kBarSixteenths); }

uint32_t StripLayout::ZoomFirstBarOfStart(uint32_t zoomStartMs) const {
  return static_cast<uint32_t>(grid_.SixteenthsAt(zoomStartMs) / kBarSixteenths);
}

uint32_t StripLayout::ZoomFirstBar(uint32_t playheadMs) const {
  uint32_t bar = static_cast<uint32_t>(grid_.SixteenthsAt(playheadMs) / kBarSixteenths);
  uint32_t first = bar / 4 * 4;
  return first >= 2 ? first - 2 : 0;
}

bool StripLayout::SeekAt(int x, int y, uint32_t zoomFirstBar, uint32_t* ms) const {
  if (x < 0 || x >= width_) return false;
  if (y >= kWhole.top && y < kWhole.bottom) {
    *ms = WholeMsAt(x);
    return true;
  }
  if (y >= kZoom.top && y < kZoom.bottom) {
    *ms = std::min(ZoomMsAt(x, BarMs(zoomFirstBar)), length_);
    return true;
  }
  return false;
}

media::Color PictureTypeColor(int32_t type) {
  switch (type) {
    case 0: return media::Rgb(235, 150, 60);   // flipbook: orange
    case 1: return media::Rgb(120, 160, 240);  // still: blue
    case 2: return media::Rgb(110, 200, 110);  // scene shot: green
    case 3: return media::Rgb(200, 120, 220);  // sphere: violet
    default: return media::Rgb(140, 140, 140);
  }
}

StripPainter::StripPainter(const StripModel& model, const StripLayout& layout)
    : model_(model), layout_(layout), canvas_(layout.Width(), StripLayout::kHeight, kBackground) {}

void StripPainter::Paint(const StripView& view, const Envelope* envelope) {
  canvas_.FillRect(0, 0, canvas_.Width(), canvas_.Height(), kBackground);
  if (envelope && !view.waveformReady) envelope = nullptr;
  PaintBand(StripLayout::kWhole, 0, layout_.LengthMs(), view, envelope, false);
  uint32_t zoomStart = layout_.BarMs(view.zoomFirstBar);
  PaintBand(StripLayout::kZoom, zoomStart, layout_.ZoomSpanMs(view.zoomFirstBar), view, envelope, true);
}

void StripPainter::PaintBand(const Band& band, uint32_t fromMs, uint32_t spanMs, const StripView& view,
                             const Envelope* envelope, bool zoomed) {
  media::Canvas& c = canvas_;
  const int w = c.Width();
  spanMs = std::max<uint32_t>(spanMs, 1);
  auto xOf = [&](uint32_t ms) {
    int64_t d = static_cast<int64_t>(ms) - static_cast<int64_t>(fromMs);
    return static_cast<int>(std::clamp<int64_t>(d * w / spanMs, -1, w + 1));
  };
  auto msOf = [&](int x) { return Clip(fromMs + static_cast<uint64_t>(x) * spanMs / static_cast<uint64_t>(w)); };
  const uint64_t endMs = static_cast<uint64_t>(fromMs) + spanMs;
  c.FillRect(0, band.wave, w, band.wave + band.waveHeight, kBandBackground);

  // The loop's range under the waveform: blue while it plays, grey while only marked.
  if (view.hasLoop && view.loopEnd > view.loopStart) {
    Tint(c, xOf(view.loopStart), band.wave, std::max(xOf(view.loopEnd), xOf(view.loopStart) + 1),
         band.wave + band.waveHeight, view.loopOn ? kLoopOn : kLoopOff);
  }

  // The waveform, mirrored about its middle: the peak dim, the RMS bright.
  if (envelope) {
    const int mid = band.wave + band.waveHeight / 2;
    const float half = static_cast<float>(band.waveHeight / 2 - 1);
    for (int x = 0; x < w; ++x) {
      float peak = 0.0f, rms = 0.0f;
      envelope->Measure(msOf(x), msOf(x + 1), &peak, &rms);
      int p = static_cast<int>(peak * half + 0.5f), r = static_cast<int>(std::min(rms * 1.5f, 1.0f) * half + 0.5f);
      if (p > 0) c.FillRect(x, mid - p, x + 1, mid + p + 1, kPeak);
      if (r > 0) c.FillRect(x, mid - r, x + 1, mid + r + 1, kRms);
    }
  }

  // Bar lines (every eighth brighter over the whole song) and, zoomed, beat lines.
  Grid grid(model_.bpm);
  const uint32_t step = zoomed ? kBeatSixteenths : kBarSixteenths;
  for (uint64_t n = grid.SixteenthsAt(fromMs) / step * step;; n += step) {
    uint32_t ms = grid.SixteenthsToMs(n);
    if (ms >= endMs || ms == 0xFFFFFFFFu) break;
    if (ms < fromMs) continue;
    bool bar = n % kBarSixteenths == 0;
    uint64_t barIndex = n / kBarSixteenths;
    int lighten = !bar ? 22 : (zoomed || barIndex % 8 == 0) ? 90 : 48;
    int x = xOf(ms);
    GridLine(c, x, band.wave, band.wave + band.waveHeight, lighten);
    // Bar numbers, counted from 0 as the script counts its sixteenths: every bar zoomed, every
    // eighth over the whole song.
    if (bar && (zoomed || barIndex % 8 == 0)) {
      char number[24];
      std::snprintf(number, sizeof number, "%llu", static_cast<unsigned long long>(barIndex));
      VLine(c, x, band.bars, band.bars + 3, kStrongLine);
      media::DrawText(c, number, x + 2, band.bars + 2, 1, kText);
    } else if (zoomed) {
      VLine(c, x, band.bars, band.bars + 2, kBarLine);
    }
  }

  // Layer 1's sections: a line where each starts, its name beside it while there is room.
  const auto& sections = model_.sections;
  for (size_t i = 0; i < sections.size(); ++i) {
    const Section& s = sections[i];
    uint32_t next = i + 1 < sections.size() ? sections[i + 1].startMs : Clip(endMs);
    if (next <= fromMs || s.startMs >= endMs) continue;
    int x = std::max(xOf(s.startMs), 0);
    int room = std::min(xOf(next), w) - x - 4;
    if (s.startMs >= fromMs) VLine(c, x, band.sections, band.wave + band.waveHeight, kSectionLine);
    if (media::TextWidth(s.name, 1) <= room) media::DrawText(c, s.name.c_str(), x + 3, band.sections + 2, 1, kSectionLine);
  }

  // Layer 0's events as blocks coloured by picture type, each with the longest label that fits.
  for (const PictureEvent& e : model_.events) {
    if (e.endMs <= fromMs || e.startMs >= endMs || e.endMs <= e.startMs) continue;
    int x0 = std::max(xOf(e.startMs), 0), x1 = std::min(xOf(e.endMs), w);
    if (x1 - x0 < 1) x1 = x0 + 1;
    c.FillRect(x0, band.events, std::max(x1 - 1, x0 + 1), band.events + band.eventsHeight, PictureTypeColor(e.type));
    char label[64];
    for (int detail = 0; detail < 3; ++detail) {
      EventLabel(e, detail, label, sizeof label);
      int width = media::TextWidth(label, 1);
      if (width <= x1 - x0 - 4) {
        media::DrawText(c, label, x0 + 2, band.events + (band.eventsHeight - media::kGlyphHeight) / 2, 1, kInk);
        break;
      }
    }
  }
}

}  // namespace preview
