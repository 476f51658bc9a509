// scene_shot.cpp -- the scene shot with its spinning boxes, and its row of the effect table
#include "src/effects/scene_shot.h"

#include "src/effects/effect_dispatcher.h"
#include "src/effects/effect_table.h"
#include "src/scene/scene.h"
#include "src/scene/scene_render.h"
#include "src/device/device.h"
#include "src/device/texture.h"
#include "src/import3ds/loader3ds.h"

const char kSceneShotFile[] = "media/scene1texkey.3ds";
const char kSceneShotMapDir[] = "media/maps/";

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


// The shadow map (with "media/Phong.fx") comes before the scene it shadows.
void LoadSceneShot(Device* device) {
  PrepareShadowMap(device);
  scene.Load(device, kSceneShotFile, kSceneShotMapDir);
}

void WarmUpSceneShot(Device* device, const Timeline&) { DrawSceneShot(device, 0.0f, 0); }

void DrawSceneShotEvent(Device* device, const EffectEvent& event) {
  DrawSceneShot(device, effect_time::SceneShotMs(event.param2, event.elapsedMs), event.param1);
}

// The Scene is static and outlives the Device; its meshes and the shadow map hold Direct3D
// objects that must go before the device they were made on.
void ReleaseSceneShot() {
  scene.Clear();
  ReleaseShadowMap();
}

}  // namespace

bool ReloadSceneShot(Device* device, std::string* problem) {
  Loader3DS check;
  if (!check.Load(kSceneShotFile, kSceneShotMapDir)) {
    const std::string& why = check.Problem();
    *problem = why.compare(0, sizeof kSceneShotFile - 1, kSceneShotFile) == 0
                   ? why
                   : std::string(kSceneShotFile) + ": " + (why.empty() ? "cannot be read" : why);
    return false;
  }
  GrowArray<Texture*> oldMaps;
  for (SceneMaterial* material : scene.materials) {
    if (material && material->texture) oldMaps.Append(material->texture);
  }
  scene.Clear();
  bool loaded = scene.Load(device, kSceneShotFile, kSceneShotMapDir);
  for (Texture* map : oldMaps) {
    device->resources.Remove(map);
    delete map;
  }
  if (!loaded) *problem = std::string(kSceneShotFile) + ": cannot be read";
  return loaded;
}

void SpinSceneBoxes(float timeMs) {
  const double t = static_cast<double>(timeMs);
  for (const BoxSpin& spin : kBoxSpins) {
    SceneMesh* box = scene.FindMesh(spin.name);
    if (!box) continue;
    box->pitch = static_cast<float>(spin.pitchRate * t);
    box->yaw = static_cast<float>(spin.yawRate * t);
    box->roll = static_cast<float>(spin.rollRate * t);
  }
}

void DrawSceneShot(Device* device, float timeMs, int camera) {
  SpinSceneBoxes(timeMs);
  if (camera < 0 || camera >= kCameraCount) return;
  scene.RenderFromCamera(device, kCameraNames[camera], effect_time::WholeMs(timeMs), kShotFramesPerMs);
}

// param1 the camera index, param2 the milliseconds into its flight.
const EffectEntry kSceneShotEffect = {
    "scene shot", kEffectSceneShot, 1, 1, LoadSceneShot, WarmUpSceneShot, DrawSceneShotEvent, ReleaseSceneShot,
};
