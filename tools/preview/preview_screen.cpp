// preview_screen.cpp -- the demo's frame into its own target, the picture and the strip
#include "tools/preview/preview_screen.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/services/virtual_clock.h"
#include "src/device/device.h"
#include "src/program/demo_program.h"
#include "src/script/demo_script_instance.h"
#include "tools/media/font.h"

namespace preview {

namespace {

const media::Color kPlayhead = media::Rgb(255, 255, 255);
const media::Color kReadoutText = media::Rgb(230, 225, 200);
const media::Color kMessage = media::Rgb(255, 90, 80);

template <typename T>
void ReleaseOf(T*& object) {
  if (object) object->Release();
  object = nullptr;
}

// The picture's 4:3 in a w x h area at (x, y), centred, as large as fits.
RECT Letterbox(int x, int y, int w, int h) {
  int pw = w, ph = h;
  if (static_cast<long long>(w) * PreviewScreen::kDemoHeight > static_cast<long long>(h) * PreviewScreen::kDemoWidth) {
    pw = h * PreviewScreen::kDemoWidth / PreviewScreen::kDemoHeight;
  } else {
    ph = w * PreviewScreen::kDemoHeight / PreviewScreen::kDemoWidth;
  }
  int left = x + (w - pw) / 2, top = y + (h - ph) / 2;
  return RECT{left, top, left + std::max(pw, 1), top + std::max(ph, 1)};
}

}  // namespace

PreviewScreen::PreviewScreen(const StripModel& model, const Waveform* waveform)
    : model_(model), waveform_(waveform), layout_(1, model) {}

bool PreviewScreen::Create(Device* device, IDirect3DSurface9* screen, std::string* problem) {
  Release();
  device_ = device;
  d3d_ = device->device;
  d3d_->GetRenderTarget(0, &savedTarget_);
  d3d_->GetDepthStencilSurface(&savedDepth_);
  if (screen) {
    screen->AddRef();
    screen_ = screen;
  } else if (FAILED(d3d_->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &screen_))) {
    *problem = "the window's back buffer cannot be had";
    return false;
  }
  D3DSURFACE_DESC desc;
  screen_->GetDesc(&desc);
  width_ = static_cast<int>(desc.Width);
  height_ = static_cast<int>(desc.Height);
  if (FAILED(d3d_->CreateRenderTarget(kDemoWidth, kDemoHeight, desc.Format, D3DMULTISAMPLE_4_SAMPLES, 0, FALSE,
                                      &demoTarget_, nullptr)) ||
      FAILED(d3d_->CreateDepthStencilSurface(kDemoWidth, kDemoHeight, D3DFMT_D16, D3DMULTISAMPLE_4_SAMPLES, 0, TRUE,
                                             &demoDepth_, nullptr)) ||
      FAILED(d3d_->CreateRenderTarget(kDemoWidth, kDemoHeight, desc.Format, D3DMULTISAMPLE_NONE, 0, FALSE, &resolved_,
                                      nullptr))) {
    *problem = "the demo's 1024 x 768 render target cannot be made";
    return false;
  }
  layout_ = StripLayout(width_, model_);
  painter_ = new StripPainter(model_, layout_);
  if (!renderer_.Create(d3d_, width_, StripLayout::kHeight)) {
    *problem = "the strip's textures cannot be made";
    return false;
  }
  everPainted_ = false;
  // The demo draws from here on into its own target; its warm-up draws too.
  d3d_->SetRenderTarget(0, demoTarget_);
  d3d_->SetDepthStencilSurface(demoDepth_);
  return true;
}

void PreviewScreen::ModelChanged() {
  layout_ = StripLayout(width_, model_);
  delete painter_;
  painter_ = new StripPainter(model_, layout_);
  everPainted_ = false;
}

void PreviewScreen::SetWaveform(const Waveform* waveform) {
  waveform_ = waveform;
  everPainted_ = false;
}

void PreviewScreen::Release() {
  renderer_.Release();
  delete painter_;
  painter_ = nullptr;
  if (d3d_ && savedTarget_) {
    d3d_->SetRenderTarget(0, savedTarget_);
    d3d_->SetDepthStencilSurface(savedDepth_);
  }
  ReleaseOf(resolved_);
  ReleaseOf(demoDepth_);
  ReleaseOf(demoTarget_);
  ReleaseOf(screen_);
  ReleaseOf(savedDepth_);
  ReleaseOf(savedTarget_);
  d3d_ = nullptr;
  device_ = nullptr;
}

RECT PreviewScreen::PictureRect() const {
  int area = stripShown_ ? std::max(height_ - StripLayout::kHeight, 1) : height_;
  return Letterbox(0, 0, width_, area);
}

bool PreviewScreen::SeekAt(int x, int y, uint32_t* ms) const {
  if (!stripShown_) return false;
  int top = height_ - StripLayout::kHeight;
  return layout_.SeekAt(x, y - top, painted_.zoomFirstBar, ms);
}

void PreviewScreen::DrawDemo(uint32_t timeMs) {
  // Both of the platform's clocks answer the frame's time while the demo draws: the timeline
  // and the flipbook's flicker see the moment a capture of that time sees.
  uint32_t heldMs = 0;
  const bool wasHeld = platform_clock::VirtualClockNow(&heldMs);
  platform_clock::UseVirtualClock(timeMs);
  d3d_->SetRenderTarget(0, demoTarget_);
  d3d_->SetDepthStencilSurface(demoDepth_);
  if (demoScript.stream) {
    DrawDemoFrame(device_);
  } else if (demoScript.timeline) {
    // No music: the same frame at the preview's own time.
    d3d_->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    demoScript.timeline->Update(timeMs);
    demoScript.timeline->RunHandler();
  }
  // Back to the clocks as they were: the music's own in the preview, a virtual one elsewhere.
  if (wasHeld) {
    platform_clock::UseVirtualClock(heldMs);
  } else {
    platform_clock::UseRealClock();
  }
}

void PreviewScreen::Draw(const FrameReadout& readout) {
  if (!d3d_) return;
  DrawDemo(readout.timeMs);
  // The composition needs no depth: the strip is drawn without it.
  d3d_->SetRenderTarget(0, screen_);
  d3d_->SetDepthStencilSurface(nullptr);
  RECT to = PictureRect();
  // Black only where neither the picture nor the strip lies (nothing at the default size).
  const int stripTop = stripShown_ ? height_ - StripLayout::kHeight : height_;
  if (to.left > 0 || to.top > 0 || to.right < width_ || to.bottom < stripTop) {
    const D3DRECT bars[4] = {{0, 0, width_, to.top}, {0, to.bottom, width_, stripTop},
                             {0, to.top, to.left, to.bottom}, {to.right, to.top, width_, to.bottom}};
    D3DRECT used[4];
    DWORD count = 0;
    for (const D3DRECT& r : bars) {
      if (r.x2 > r.x1 && r.y2 > r.y1) used[count++] = r;
    }
    d3d_->Clear(count, used, D3DCLEAR_TARGET, 0, 1.0f, 0);
  }
  if (to.right - to.left == kDemoWidth && to.bottom - to.top == kDemoHeight) {
    d3d_->StretchRect(demoTarget_, nullptr, screen_, &to, D3DTEXF_NONE);  // resolved in place
  } else {
    d3d_->StretchRect(demoTarget_, nullptr, resolved_, nullptr, D3DTEXF_NONE);
    d3d_->StretchRect(resolved_, nullptr, screen_, &to, D3DTEXF_LINEAR);
  }
  if (stripShown_) DrawStrip(readout, height_ - StripLayout::kHeight);
}

void PreviewScreen::DrawStrip(const FrameReadout& r, int top) {
  StripView view;
  view.zoomFirstBar = layout_.ZoomFirstBar(r.timeMs);
  view.hasLoop = r.hasLoop;
  view.loopOn = r.loopOn;
  view.loopStart = r.loopStart;
  view.loopEnd = r.loopEnd;
  view.waveformReady = waveform_ && waveform_->Ready();
  if (!everPainted_ || view != painted_) {
    painter_->Paint(view, view.waveformReady ? &waveform_->Data() : nullptr);
    renderer_.Upload(painter_->Canvas());
    painted_ = view;
    everPainted_ = true;
    ++paints_;
  }
  renderer_.Begin();
  // The playheads: over the whole song and over the zoomed bars.
  int whole = layout_.WholeX(r.timeMs);
  renderer_.Rect(whole - 1, top + StripLayout::kWhole.top, whole + 1, top + StripLayout::kWhole.bottom, kPlayhead);
  int zoomed = layout_.ZoomX(r.timeMs, layout_.BarMs(view.zoomFirstBar));
  renderer_.Rect(zoomed - 1, top + StripLayout::kZoom.top, zoomed + 1, top + StripLayout::kZoom.bottom, kPlayhead);
  Readout(r, top + StripLayout::kReadoutTop);
  renderer_.Draw(0, top);
}

void PreviewScreen::Readout(const FrameReadout& r, int top) {
  Grid grid(model_.bpm);
  uint64_t n = grid.SixteenthsAt(r.timeMs);
  char line[256];
  char event[96] = "no picture";
  // The picture on screen: layer 0's active event as the frame's update found it.
  if (demoScript.timeline) {
    LayerState state = demoScript.timeline->GetLayerState(0);
    if (state.event) {
      for (const PictureEvent& e : model_.events) {
        if (demoScript.timeline->layers[0][e.index] != state.event) continue;
        char label[64];
        EventLabel(e, 0, label, sizeof label);
        std::snprintf(event, sizeof event, "event %u %s  elapsed %u ms", e.index, label, state.elapsedMs);
        break;
      }
    }
  }
  std::snprintf(line, sizeof line, "%02u:%02u.%03u  %llu.%llu.%llu  %s", r.timeMs / 60000, r.timeMs / 1000 % 60,
                r.timeMs % 1000, static_cast<unsigned long long>(n / 16), static_cast<unsigned long long>(n % 16 / 4),
                static_cast<unsigned long long>(n % 4), event);
  renderer_.Text(line, 8, top, 2, kReadoutText);
  int length = std::snprintf(line, sizeof line, "%5.1f fps %6.1f ms%s", r.fps, r.lastFrameMs, r.paused ? "  paused" : "");
  if (r.hasLoop && length > 0 && static_cast<size_t>(length) < sizeof line) {
    std::snprintf(line + length, sizeof line - static_cast<size_t>(length), "  loop %u-%u %s", r.loopStart, r.loopEnd,
                  r.loopOn ? "on" : "off");
  }
  renderer_.Text(line, 8, top + 16, 2, kReadoutText);
  if (r.message && *r.message) {
    int x = 8 + static_cast<int>(std::strlen(line) + 2) * (media::kGlyphWidth + 1) * 2;
    const int wide = static_cast<int>(std::strlen(r.message)) * (media::kGlyphWidth + 1) * 2;
    renderer_.Text(r.message, x, top + 16 + (x + wide <= width_ ? 0 : 4), x + wide <= width_ ? 2 : 1, kMessage);
  }
}

}  // namespace preview
