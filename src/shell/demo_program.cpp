// demo_program.cpp -- start-up steps 3 to 12, the frame, and the shutdown in their order
#include "src/shell/demo_program.h"

#include <windows.h>

#include <d3d9.h>

#include "src/effects/effect_dispatcher.h"
#include "src/effects/sphere_distortion.h"
#include "src/effects/sprites.h"
#include "src/scene/scene.h"
#include "src/scene/scene_render.h"
#include "src/shell/demo_script.h"
#include "src/shell/demo_script_instance.h"
#include "src/shell/device.h"

namespace {

constexpr char kScriptFile[] = "go.xml";
constexpr char kSceneFile[] = "media/scene1texkey.3ds";
constexpr char kSceneMapDir[] = "media/maps/";

// Each effect draws once before the first frame, so that whatever the driver does on a first
// use (shader variants, texture uploads) happens now and not in the middle of the show. Nothing
// is cleared before and nothing presented after: the first frame clears it away.
void WarmUp(Device* device) {
  DrawSceneShot(device, 0.0f, 0);
  DrawSpriteBeat(device);
  DrawSphereDistortion(device, 0);
}

}  // namespace

bool StartDemo(Device* device, bool holdMusic) {
  // The sound library, "go.xml" read with a GenericTimelineEvent prototype, the dispatcher
  // installed as the timeline's frame handler, the music started. A refused script has shown
  // its "Eek!" message by now and ends start-up.
  if (!demoScript.Start(kScriptFile, new EffectDispatcher)) return false;
  if (holdMusic) demoScript.SetPlaying(false);
  // The music plays from here on: loading time is playing time.
  LoadSprites(device);
  PrepareShadowMap(device);
  scene.Load(device, kSceneFile, kSceneMapDir);
  LoadSphereDistortion(device);
  WarmUp(device);
  return true;
}

void RunDemoFrame(Device* device) {
  device->device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  demoScript.Update();  // the music position, the timeline and the dispatcher's draw
  device->device->Present(nullptr, nullptr, nullptr, nullptr);
  device->PumpMessages();
}

uint64_t RunDemoUntilEscape(Device* device) {
  uint64_t frames = 0;
  // Escape down now or pressed since the last poll ends the loop.
  while (GetAsyncKeyState(VK_ESCAPE) == 0) {
    RunDemoFrame(device);
    ++frames;
  }
  return frames;
}

void StopDemo() {
  demoScript.Close();  // the timeline with its dispatcher, the music stream, the sound library
  // The Scene is static and outlives the Device; its meshes and the shadow map hold Direct3D
  // objects that must go before the device they were made on.
  scene.Clear();
  ReleaseShadowMap();
  ReleaseSphereDistortion();
  Device::DeleteInstance();
}
