// effect_dispatcher.cpp -- layer 0's event to an effect, and the scene shot with its spinning boxes
#include "src/effects/effect_dispatcher.h"

#include <cmath>

#include "src/effects/sphere_distortion.h"
#include "src/effects/sprites.h"
#include "src/scene/scene.h"
#include "src/shell/device.h"
#include "src/timeline/timeline.h"
#include "src/timeline/timeline_event.h"

namespace {

// Radians per millisecond of shot time about x (pitch), y (yaw) and z (roll).
struct BoxSpin {
  const char* name;
  double pitchRate;
  double yawRate;
  double rollRate;
};
constexpr BoxSpin kBoxSpins[] = {
    {"Box01", 0.001, 0.002, 0.003},
    {"Box02", 0.002, 0.002, 0.001},
    {"Box03", 0.002, 0.001, 0.003},
};

// The camera of each index; the first name has one digit, the others two, as the scene has them.
constexpr const char* kCameraNames[] = {"Camera1", "Camera02", "Camera03"};
constexpr int kCameraCount = 3;

// One keyframer frame per 100 ms of shot time.
constexpr float kShotFramesPerMs = 0.01f;

void SpinBoxes(float timeMs) {
  const double t = static_cast<double>(timeMs);
  for (const BoxSpin& spin : kBoxSpins) {
    SceneMesh* box = scene.FindMesh(spin.name);
    if (!box) continue;
    box->pitch = static_cast<float>(spin.pitchRate * t);
    box->yaw = static_cast<float>(spin.yawRate * t);
    box->roll = static_cast<float>(spin.rollRate * t);
  }
}

}  // namespace

namespace effect_time {

float SceneShotMs(int32_t offset, uint32_t elapsedMs) {
  // Both are taken as unsigned: a negative offset reads as a large count, as the script's words do.
  const uint64_t sum = static_cast<uint64_t>(static_cast<uint32_t>(offset)) + elapsedMs;
  return static_cast<float>(sum);  // round to nearest
}

uint32_t SphereMs(int32_t offset, uint32_t elapsedMs) {
  return static_cast<uint32_t>(offset) + elapsedMs;  // wraps modulo 2^32
}

uint32_t WholeMs(float timeMs) {
  // A float past the 32-bit range (a shot time can reach 2^33) or not a number has no whole
  // count; converting it would be undefined, so it is kept inside the range.
  if (!(timeMs > 0.0f)) return 0;
  if (timeMs >= 4294967296.0f) return UINT32_MAX;
  return static_cast<uint32_t>(timeMs);
}

}  // namespace effect_time

void DrawSceneShot(Device* device, float timeMs, int camera) {
  SpinBoxes(timeMs);
  if (camera < 0 || camera >= kCameraCount) return;
  scene.RenderFromCamera(device, kCameraNames[camera], effect_time::WholeMs(timeMs), kShotFramesPerMs);
}

bool EffectDispatcher::Run(Timeline* timeline) {
  Device* device = Device::Instance();
  const LayerState state = timeline->GetLayerState(0);
  // Every event of the script is made by a GenericTimelineEvent prototype; anything else has no
  // parameters and draws nothing.
  const auto* event = dynamic_cast<const GenericTimelineEvent*>(state.event);
  if (!event || !device) return true;
  switch (static_cast<uint32_t>(event->param0)) {
    case kEffectSpriteFlipbook:
      DrawSpriteFlipbook(device, event->param1, event->param2);
      break;
    case kEffectSpriteImage:
      DrawSpriteImage(device, event->param1);
      break;
    case kEffectSceneShot:
      DrawSceneShot(device, effect_time::SceneShotMs(event->param2, state.elapsedMs), event->param1);
      break;
    case kEffectSphere:
      DrawSphereDistortion(device, effect_time::SphereMs(event->param1, state.elapsedMs));
      break;
    default:
      break;
  }
  return true;
}
