// winmain.cpp -- the program's entry function: start-up order, frame loop, shutdown
//
// The order is the behaviour: the Device first, then the demo script and its music, then every
// effect's resources while the music already plays, then frames until Escape. The music
// position drives everything; the loop has no pacing of its own beyond the device's
// presentation interval.
#include <windows.h>

#include <d3d9.h>

#include "src/shell/device.h"

namespace {

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
  // ---- Demo script and music (steps 3 to 7), integrated from src/shell/demo_script.h:
  //   DemoScript::InitSound; a GenericTimelineEvent prototype (start 0, duration 0);
  //   DemoScript::Serialize("go.xml", false, prototype); install a new EffectDispatcher as the
  //   timeline's frame handler; DemoScript::SetPlaying(true). A refused script ends start-up
  //   (return false) after DemoScript::Close.
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
  // ---- DemoScript::Update: the music position, the timeline and its frame handler.
  device->device->Present(nullptr, nullptr, nullptr, nullptr);
  device->PumpMessages();
}

void ShutDown() {
  // ---- DemoScript::Close: the timeline, the music stream and the sound library.
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
