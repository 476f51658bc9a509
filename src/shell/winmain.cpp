// winmain.cpp -- the program's entry function: start-up order, frame loop, shutdown
//
// The order is the behaviour: the Device first, then the demo script and its music, then every
// effect's resources while the music already plays, then frames until Escape. The music
// position drives everything; the loop has no pacing of its own beyond the device's
// presentation interval.
#include <windows.h>

#include <d3d9.h>

#include "src/shell/demo_script.h"
#include "src/shell/device.h"
#include "src/timeline/frame_handler.h"

namespace {

// The process-wide demo script: "go.xml", its timeline and the music that clocks it.
DemoScript demoScript;

// The frame handler until the effect dispatch joins the program: the timeline still runs on
// the music's position every frame, and nothing is drawn over the cleared frame.
class BlankFrameHandler : public FrameHandler {
 public:
  bool Run(Timeline*) override { return false; }
};

constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;

// Start-up steps 1 and 2: the Device, full screen, with the default window procedure.
// False when it could not be made; what was made is released by then.
bool CreateDevice() {
  Device* device = Device::Instance();
  if (!device) return false;
  if (!device->Create(kScreenWidth, kScreenHeight, FALSE, DefWindowProcA)) {
    // Without a device nothing later can work: release what was made and end the program.
    Device::DeleteInstance();
    return false;
  }
  return true;
}

// Start-up steps 3 to 12.
bool LoadDemo(Device* device) {
  (void)device;
  // Steps 3 to 7: the sound library, "go.xml" read with a GenericTimelineEvent prototype, the
  // frame handler, the music started. A refused script has shown its "Eek!" message by now and
  // ends start-up; the shutdown then closes what the script opened.
  if (!demoScript.Start("go.xml", new BlankFrameHandler)) return false;
  // ---- Effect resources (steps 8 to 11): LoadSprites, PrepareShadowMap, Scene::Load of
  //   "media/scene1texkey.3ds" with maps from "media/maps/", LoadSphereDistortion.
  // ---- Warm-up draws (step 12), unseen: DrawSceneShot(device, 0.0, 0), DrawSpriteBeat,
  //   DrawSphereDistortion(device, 0).
  return true;
}

// One frame: clear to black with depth 1, the demo script's update (draws the effect), present,
// then every pending window message.
void RunFrame(Device* device) {
  device->device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  demoScript.Update();  // the music position, the timeline and its frame handler
  device->device->Present(nullptr, nullptr, nullptr, nullptr);
  device->PumpMessages();
}

void ShutDown() {
  demoScript.Close();  // the timeline, the music stream and the sound library
  Device::DeleteInstance();
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  if (!CreateDevice()) return 1;
  Device* device = Device::Instance();
  if (!LoadDemo(device)) {
    ShutDown();
    return 1;
  }
  // Escape down now or pressed since the last poll ends the loop, before the first frame too.
  while (GetAsyncKeyState(VK_ESCAPE) == 0) RunFrame(device);
  ShutDown();
  return 0;
}
