// preview_app.cpp -- the preview's window, its input and its frame loop
#include "tools/preview/preview_app.h"

#include <windows.h>

#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <memory>

#include "src/device/device.h"
#include "src/program/demo_program.h"
#include "src/program/player_window.h"
#include "src/script/demo_script_instance.h"
#include "src/script/event_names.h"
#include "tools/preview/music_clock.h"
#include "tools/preview/preview_screen.h"
#include "tools/preview/strip_model.h"
#include "tools/preview/transport.h"
#include "tools/preview/waveform.h"

namespace preview {

namespace {

constexpr int kTenSeconds = 10000;

// What the window procedure hands to the frame loop: a fixed queue, so input allocates nothing.
struct Input {
  enum Kind { kKey, kChar, kPress, kDrag, kRelease } kind;
  WPARAM code;
  bool shift, control;
  int x, y;  // client pixels, for the mouse
};
constexpr int kMaxInputs = 256;
Input inputs[kMaxInputs];
int inputCount = 0;
bool dragging = false;

void Queue(const Input& input) {
  if (inputCount < kMaxInputs) inputs[inputCount++] = input;
}

LRESULT CALLBACK PreviewWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  const bool shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0, control = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
  const int x = static_cast<short>(LOWORD(lParam)), y = static_cast<short>(HIWORD(lParam));
  switch (message) {
    case WM_KEYDOWN: Queue(Input{Input::kKey, wParam, shift, control, 0, 0}); return 0;
    case WM_CHAR: Queue(Input{Input::kChar, wParam, shift, control, 0, 0}); return 0;
    case WM_LBUTTONDOWN:
      dragging = true;
      Queue(Input{Input::kPress, 0, shift, control, x, y});
      return 0;
    case WM_MOUSEMOVE:
      if (dragging && (wParam & MK_LBUTTON)) Queue(Input{Input::kDrag, 0, shift, control, x, y});
      return 0;
    case WM_LBUTTONUP:
      dragging = false;
      return 0;
    default: return PlayerWindowProc(window, message, wParam, lParam);
  }
}

// A point of the window's client area in the back buffer, which Present shows scaled into the
// window with its aspect kept.
bool ClientToBackBuffer(HWND window, int width, int height, int* x, int* y) {
  RECT client;
  if (!GetClientRect(window, &client)) return false;
  int cw = client.right - client.left, ch = client.bottom - client.top;
  if (cw <= 0 || ch <= 0) return false;
  double scale = std::min(static_cast<double>(cw) / width, static_cast<double>(ch) / height);
  double left = (cw - width * scale) / 2.0, top = (ch - height * scale) / 2.0;
  *x = static_cast<int>((*x - left) / scale);
  *y = static_cast<int>((*y - top) / scale);
  return true;
}

struct App {
  Device* device = nullptr;
  std::unique_ptr<MusicClock> clock;
  StripModel model;
  Waveform waveform;
  std::unique_ptr<PreviewScreen> screen;
  std::unique_ptr<Transport> transport;
  bool quit = false;

  ~App() {
    screen.reset();  // its surfaces go before the Device
    if (device) StopDemo();
  }

  void Key(const Input& in) {
    switch (in.code) {
      case VK_ESCAPE: quit = true; break;
      case VK_SPACE: transport->TogglePause(); break;
      case VK_HOME: transport->Home(); break;
      case VK_LEFT:
      case VK_RIGHT: {
        int sign = in.code == VK_RIGHT ? 1 : -1;
        if (in.control) {
          transport->StepMs(sign * kTenSeconds);
        } else if (in.shift) {
          transport->StepBars(sign);
        } else {
          transport->StepBeats(sign);
        }
        break;
      }
      case VK_OEM_4: transport->MarkLoopStart(); break;
      case VK_OEM_6: transport->MarkLoopEnd(); break;
      case 'L': transport->ToggleLoop(); break;
      case 'T': screen->SetStripShown(!screen->StripShown()); break;
      default:
        if (in.code >= '1' && in.code <= '9') transport->JumpToSection(static_cast<int>(in.code - '0'));
        break;
    }
  }

  void HandleInputs() {
    bool seekPending = false;
    uint32_t seekMs = 0;
    for (int i = 0; i < inputCount; ++i) {
      const Input& in = inputs[i];
      if (in.kind == Input::kKey) {
        Key(in);
      } else if (in.kind == Input::kPress || in.kind == Input::kDrag) {
        // A drag seeks once a frame, to where the pointer is last.
        int x = in.x, y = in.y;
        uint32_t ms;
        if (ClientToBackBuffer(device->window, screen->Width(), screen->Height(), &x, &y) && screen->SeekAt(x, y, &ms)) {
          seekPending = true;
          seekMs = ms;
        }
      }
    }
    inputCount = 0;
    if (seekPending) transport->Seek(seekMs);
  }
};

}  // namespace

int RunPreview(const PreviewOptions& options) {
  struct stat info;
  if (stat("go.xml", &info) != 0) {
    std::fprintf(stderr, "qolatool preview: no \"go.xml\" here: run it in the demo's run directory (the one holding go.xml and media/)\n");
    return 1;
  }
  const int width = options.width ? options.width : PreviewScreen::kDemoWidth;
  const int height = options.height ? options.height : PreviewScreen::kDemoHeight + StripLayout::kHeight;
  App app;
  app.device = Device::Instance();
  if (!app.device || !CreatePlayerDevice(app.device, PlayerOptions::Display::kWindow, width, height, PreviewWindowProc,
                                         D3DMULTISAMPLE_NONE)) {
    std::fprintf(stderr, "qolatool preview: the window and its Direct3D device cannot be made (is there a display with OpenGL 3.3?)\n");
    return 1;
  }
  SetWindowTextA(app.device->window, "qola preview");
  if (!StartDemo(app.device, true)) return 1;  // the script's refusal has been shown
  uint32_t length = 0;
  if (demoScript.stream) {
    app.clock = std::make_unique<StreamClock>(demoScript.stream);
    length = app.clock->LengthMs();
    app.waveform.Start(demoScript.musicFileName);
  } else {
    std::fprintf(stderr, "qolatool preview: the music \"%s\" cannot be read: the preview runs in silence\n",
                 demoScript.musicFileName.c_str());
  }
  app.model = ModelOfTimeline(*demoScript.timeline, ReadEventNames("go.xml", *demoScript.timeline), length);
  if (!app.clock) app.clock = std::make_unique<SilentClock>(app.model.lengthMs);
  std::string problem;
  app.screen = std::make_unique<PreviewScreen>(app.model, &app.waveform);
  if (!app.screen->Create(app.device, nullptr, &problem)) {
    std::fprintf(stderr, "qolatool preview: %s\n", problem.c_str());
    return 1;
  }
  uint32_t from = options.hasFrom ? options.fromMs : options.hasLoop ? options.loopStart : 0;
  if (from > app.clock->LengthMs()) {
    std::fprintf(stderr, "qolatool preview: --from %u: the music is %u ms long; give a time within it\n", from,
                 app.clock->LengthMs());
    return 2;
  }
  app.clock->Seek(from);
  app.transport = std::make_unique<Transport>(app.clock.get(), Grid(app.model.bpm), app.model.sections, stdout);
  if (options.hasLoop) app.transport->SetLoop(options.loopStart, options.loopEnd, true);

  using Clock = std::chrono::steady_clock;
  double lastFrameMs = 0.0, averageMs = 0.0;
  auto previous = Clock::now();
  while (!app.quit && !PlayerWindowClosed()) {
    app.device->PumpMessages();
    app.HandleInputs();
    if (app.quit) break;
    FrameReadout readout;
    readout.timeMs = app.transport->Tick();
    readout.paused = app.transport->Paused();
    readout.loopOn = app.transport->LoopOn();
    readout.hasLoop = app.transport->HasLoopRange();
    readout.loopStart = app.transport->LoopStart();
    readout.loopEnd = app.transport->LoopEnd();
    readout.message = app.transport->Message().c_str();
    readout.fps = averageMs > 0.0 ? 1000.0 / averageMs : 0.0;
    readout.lastFrameMs = lastFrameMs;
    app.screen->Draw(readout);
    app.device->device->Present(nullptr, nullptr, nullptr, nullptr);
    auto now = Clock::now();
    lastFrameMs = std::chrono::duration<double, std::milli>(now - previous).count();
    previous = now;
    averageMs = averageMs > 0.0 ? averageMs * 0.9 + lastFrameMs * 0.1 : lastFrameMs;
  }
  return 0;
}

}  // namespace preview
