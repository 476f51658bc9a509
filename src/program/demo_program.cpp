// demo_program.cpp -- start-up steps 3 to 12, the frame, and the shutdown in their order
#include "src/program/demo_program.h"

#include <windows.h>

#include <d3d9.h>

#include "src/device/device.h"
#include "src/effects/effect_dispatcher.h"
#include "src/effects/effect_table.h"
#include "src/script/demo_script.h"
#include "src/script/demo_script_instance.h"

namespace {

constexpr char kScriptFile[] = "go.xml";

// The effects of the running demo: StartDemo loads them, StopDemo releases them.
const EffectTable* runningEffects = nullptr;

}  // namespace

bool StartDemo(Device* device, bool holdMusic, const EffectTable& effects) {
  runningEffects = &effects;
  // The sound library, "go.xml" read with a GenericTimelineEvent prototype, the dispatcher
  // installed as the timeline's frame handler, the music started. A refused script has shown
  // its "Eek!" message by now and ends start-up.
  if (!demoScript.Start(kScriptFile, new EffectDispatcher(effects))) return false;
  if (holdMusic) demoScript.SetPlaying(false);
  // The music plays from here on: loading time is playing time.
  LoadEffects(effects, device);
  // Each effect draws once before the first frame, so that whatever the driver does on a first
  // use (shader variants, texture uploads) happens now and not in the middle of the show.
  // Nothing is cleared before and nothing presented after: the first frame clears it away.
  WarmUpEffects(effects, device, *demoScript.timeline);
  return true;
}

void DrawDemoFrame(Device* device) {
  device->device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  demoScript.Update();  // the music position, the timeline and the dispatcher's draw
}

void RunDemoFrame(Device* device) {
  DrawDemoFrame(device);
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
  // What the effects made outside the Device's registry goes before the device it was made on.
  if (runningEffects) ReleaseEffects(*runningEffects);
  runningEffects = nullptr;
  Device::DeleteInstance();
}
