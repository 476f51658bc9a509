// demo_session.cpp -- the demo's start-up, frame and shutdown, as the entry function runs them
#include "tools/capture/demo_session.h"

#include <windows.h>

#include "fmod.h"
#include "src/shell/device.h"
#include "src/timeline/frame_handler.h"
#include "tools/capture/capture_options.h"

namespace capture {

namespace {

// The demo's frame handler as the entry function installs it today: the timeline runs and
// nothing is drawn over the cleared frame. When the entry function's start-up becomes shared
// code, the session calls that instead, effects and all.
class DemoFrameHandler : public FrameHandler {
 public:
  bool Run(Timeline*) override { return false; }
};

}  // namespace

bool DemoSession::Start(FrameHandler* handler, std::string* problem) {
  if (!handler) handler = new DemoFrameHandler;
  if (started_ || device_) {
    delete handler;
    *problem = "the demo was already started once in this session";
    return false;
  }
  started_ = true;
  // Start-up steps 1 and 2, offscreen: no window, never shown, never waiting for a retrace.
  device_ = Device::Instance();
  if (!device_ || !device_->CreateOffscreen(kDemoWidth, kDemoHeight)) {
    delete handler;
    Stop();
    *problem = "the offscreen Direct3D device could not be made (is there a display with OpenGL 3.3?)";
    return false;
  }
  // Steps 3 to 7: the sound library, "go.xml", the frame handler, the music started.
  if (!script_.Start("go.xml", handler)) {
    *problem = script_.problem;
    Stop();
    return false;
  }
  if (!script_.stream) {
    *problem = "the music \"" + script_.musicFileName + "\" named in go.xml cannot be read";
    Stop();
    return false;
  }
  return true;
}

void DemoSession::RenderFrame() {
  if (!started_) return;
  IDirect3DDevice9* d3d = device_->device;
  d3d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  script_.Update();  // the music position, the timeline and its frame handler
  d3d->Present(nullptr, nullptr, nullptr, nullptr);
  device_->PumpMessages();
}

void DemoSession::Stop() {
  if (!started_) return;
  started_ = false;
  script_.Close();  // the timeline, the music stream and the sound library
  Device::DeleteInstance();
}

IDirect3DDevice9* DemoSession::Direct3DDevice() const { return started_ ? device_->device : nullptr; }

uint32_t DemoSession::MusicLengthMs() const {
  if (!script_.stream) return 0;
  int ms = FSOUND_Stream_GetLengthMs(script_.stream);
  return ms > 0 ? static_cast<uint32_t>(ms) : 0;
}

}  // namespace capture
