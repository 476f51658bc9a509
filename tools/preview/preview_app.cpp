// preview_app.cpp -- the preview's window, its input and its frame loop
#include "tools/preview/preview_app.h"

#include <windows.h>

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>

#include "src/device/device.h"
#include "src/program/demo_program.h"
#include "src/program/player_window.h"
#include "src/script/demo_script_instance.h"
#include "src/script/event_names.h"
#include "tools/preview/file_watcher.h"
#include "tools/preview/music_clock.h"
#include "tools/preview/preview_screen.h"
#include "tools/preview/reloader.h"
#include "tools/preview/strip_model.h"
#include "tools/preview/transport.h"
#include "tools/preview/waveform.h"

namespace preview {

namespace {

constexpr int kTenSeconds = 10000;

// What the window procedure hands to the frame loop: a fixed queue, so input allocates nothing.
struct Input {
  enum Kind { kKey, kPress, kDrag } kind;
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
  std::unique_ptr<Waveform> waveform = std::make_unique<Waveform>();
  std::unique_ptr<PreviewScreen> screen;
  std::unique_ptr<Transport> transport;
  std::unique_ptr<Reloader> reloader;
  FileWatcher watcher;
  bool quit = false;
  bool reloadAll = false;

  ~App() {
    watcher.Stop();
    screen.reset();  // its surfaces go before the Device
    if (device) StopDemo();
  }

  // The strip's model, the transport's grid and sections after the script changed.
  void ScriptChanged() {
    uint32_t length = clock->LengthMs();
    model = ModelOfTimeline(*demoScript.timeline, ReadEventNames("go.xml", *demoScript.timeline),
                            demoScript.stream ? length : 0);
    transport->SetScript(Grid(model.bpm), model.sections);
    screen->ModelChanged();
  }

  // A new music stream: in the old one's place, at the same position, pause and loop; its
  // waveform computed again.
  void MusicChanged() {
    if (auto* stream = dynamic_cast<StreamClock*>(clock.get())) stream->SetStream(demoScript.stream);
    transport->Reapply();
    waveform = std::make_unique<Waveform>();
    waveform->Start(demoScript.musicFileName);
    screen->SetWaveform(waveform.get());
    ScriptChanged();
  }

  // One file saved (or every file, with R): loaded again, one line on what came of it.
  void ReloadFile(const std::string& path) {
    Reloader::What what = reloader->Classify(path);
    if (what == Reloader::What::kNothing) return;
    if (what == Reloader::What::kMusic && !dynamic_cast<StreamClock*>(clock.get())) return;
    FSOUND_STREAM* streamBefore = demoScript.stream;
    auto start = std::chrono::steady_clock::now();
    std::string problem;
    bool ok = reloader->Reload(path, what, &problem);
    // A new stream takes the old one's place; a script read (even when its new music failed)
    // redraws the strip.
    if (demoScript.stream != streamBefore) {
      MusicChanged();
    } else if (what == Reloader::What::kScript) {
      ScriptChanged();
    }
    double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    for (char& c : problem) {
      if (c == '\n' || c == '\r' || c == '\t') c = ' ';
    }
    reloader->Record(path, ok, problem);
    if (ok) {
      transport->Print("reload %s ok (%.0f ms)", path.c_str(), ms);
    } else {
      transport->Print("reload %s failed: %s", path.c_str(), problem.c_str());
      std::fprintf(stderr, "qolatool preview: %s\n", problem.c_str());
    }
  }

  void Reloads() {
    if (reloadAll) {
      reloadAll = false;
      for (const std::string& path : reloader->LoadedFiles()) ReloadFile(path);
    }
    if (watcher.Due()) {
      for (const std::string& path : watcher.TakeDue()) ReloadFile(path);
    }
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
      case 'R': reloadAll = true; break;
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
    app.waveform->Start(demoScript.musicFileName);
  } else {
    std::fprintf(stderr, "qolatool preview: the music \"%s\" cannot be read: the preview runs in silence\n",
                 demoScript.musicFileName.c_str());
  }
  app.model = ModelOfTimeline(*demoScript.timeline, ReadEventNames("go.xml", *demoScript.timeline), length);
  if (!app.clock) app.clock = std::make_unique<SilentClock>(app.model.lengthMs);
  std::string problem;
  app.screen = std::make_unique<PreviewScreen>(app.model, app.waveform.get());
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
  // Every folder a loaded file lies in is watched; a save there is loaded again.
  app.reloader = std::make_unique<Reloader>(app.device);
  std::vector<std::string> folders{"."};
  for (const std::string& file : app.reloader->LoadedFiles()) {
    size_t slash = file.rfind('/');
    std::string folder = slash == std::string::npos ? "." : file.substr(0, slash);
    if (std::find(folders.begin(), folders.end(), folder) == folders.end()) folders.push_back(folder);
  }
  if (!app.watcher.Start(folders, &problem)) std::fprintf(stderr, "qolatool preview: %s; R still reloads\n", problem.c_str());

  using Clock = std::chrono::steady_clock;
  double lastFrameMs = 0.0, averageMs = 0.0;
  auto previous = Clock::now();
  while (!app.quit && !PlayerWindowClosed()) {
    app.device->PumpMessages();
    app.HandleInputs();
    if (app.quit) break;
    app.Reloads();
    FrameReadout readout;
    readout.timeMs = app.transport->Tick();
    readout.paused = app.transport->Paused();
    readout.loopOn = app.transport->LoopOn();
    readout.hasLoop = app.transport->HasLoopRange();
    readout.loopStart = app.transport->LoopStart();
    readout.loopEnd = app.transport->LoopEnd();
    const std::string& failure = app.reloader->Failure();
    readout.message = !app.transport->Message().empty() ? app.transport->Message().c_str() : failure.c_str();
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
