// demo_session.cpp -- the demo's start-up, frame and shutdown, as the entry function runs them
#include "tools/capture/demo_session.h"

#include <windows.h>

#include "fmod.h"
#include "src/program/demo_program.h"
#include "src/script/demo_script_instance.h"
#include "src/device/device.h"
#include "tools/capture/capture_options.h"

namespace capture {

bool DemoSession::Start(FrameHandler* handler, std::string* problem) {
  if (started_ || device_) {
    delete handler;
    *problem = "the demo was already started once in this session";
    return false;
  }
  started_ = true;
  // The Device, offscreen: no window, never shown, never waiting for a retrace.
  device_ = Device::Instance();
  if (!device_ || !device_->CreateOffscreen(kDemoWidth, kDemoHeight)) {
    delete handler;
    Stop();
    *problem = "the offscreen Direct3D device could not be made (is there a display with OpenGL 3.3?)";
    return false;
  }
  // The rest of the demo's start-up, exactly as the entry function runs it: the sound library,
  // "go.xml", the effect dispatcher, the music, every effect's resources, the warm-up draws.
  if (!StartDemo(device_)) {
    delete handler;
    *problem = demoScript.problem;
    Stop();
    return false;
  }
  if (!demoScript.stream) {
    delete handler;
    *problem = "the music \"" + demoScript.musicFileName + "\" named in go.xml cannot be read";
    Stop();
    return false;
  }
  if (handler) demoScript.InstallFrameHandler(handler);
  return true;
}

void DemoSession::RenderFrame() {
  if (started_) RunDemoFrame(device_);
}

void DemoSession::Stop() {
  if (!started_) return;
  started_ = false;
  device_ = nullptr;
  StopDemo();  // the script, the effects' objects, then the Device
}

IDirect3DDevice9* DemoSession::Direct3DDevice() const { return started_ ? device_->device : nullptr; }

const std::string& DemoSession::MusicFileName() const { return demoScript.musicFileName; }

uint32_t DemoSession::MusicLengthMs() const {
  if (!demoScript.stream) return 0;
  int ms = FSOUND_Stream_GetLengthMs(demoScript.stream);
  return ms > 0 ? static_cast<uint32_t>(ms) : 0;
}

}  // namespace capture
