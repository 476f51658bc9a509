// scene.cpp -- Scene: loading the 3DS records into the run-time scene, name lookups, clearing
#include "src/scene/scene.h"

#include <cstdio>
#include <cstring>

#include "src/import3ds/loader3ds.h"
#include "src/device/device.h"
#include "src/device/texture.h"

Scene scene;

namespace {

// The first record of items whose name is exactly `name`, or null.
template <typename T>
T* FindByName(GrowArray<T*>& items, const char* name) {
  if (!name) return nullptr;
  for (T* item : items) {
    if (std::strcmp(item->name.c_str(), name) == 0) return item;
  }
  return nullptr;
}

template <typename T>
void DeleteAll(GrowArray<T*>& items) {
  for (T* item : items) delete item;
  items.Clear();
}

// Appends item or, when the array cannot grow, deletes it: nothing is left unowned.
template <typename T>
void AppendOwned(GrowArray<T*>& items, T* item) {
  if (items.Append(item) < 0) delete item;
}

void CopyColour(float out[4], const float rgb[3]) {
  out[0] = rgb[0];
  out[1] = rgb[1];
  out[2] = rgb[2];
  out[3] = 1.0f;
}

// File (x, y, z) to scene (x, z, y): the rule of vertex positions and the static records.
void ExchangeYZ(float out[3], const float in[3]) {
  out[0] = in[0];
  out[1] = in[2];
  out[2] = in[1];
}

void AddPositionKeys(const PositionTrack& track, KeyTrack* x, KeyTrack* y, KeyTrack* z) {
  // The reader keeps frames and values in step; take only keys that have both.
  uint32_t keys = track.frames.count < track.values.count ? track.frames.count : track.values.count;
  for (uint32_t k = 0; k < keys; ++k) {
    const float t = static_cast<float>(track.frames[k]);
    const TrackVector& v = track.values[k];
    x->AddKey(t, v.x);
    y->AddKey(t, v.y);
    z->AddKey(t, v.z);
  }
}

SceneMaterial* NewMaterial(Device* device, const std::string& textureDir, const MaterialRecord& record) {
  SceneMaterial* material = new SceneMaterial();
  material->name = record.name ? record.name : "";
  CopyColour(material->ambient, record.ambient);
  CopyColour(material->diffuse, record.diffuse);
  CopyColour(material->specular, record.specular);
  // A material without a map keeps a null texture; its subsets draw with the last map set.
  if (record.mapFile && device && device->device) material->texture = device->LoadTexture((textureDir + record.mapFile).c_str());
  material->vScale = record.vScale;
  material->uScale = record.uScale;
  return material;
}

CameraAnimation* NewAnimation(const KeyframeObjectInfo& node) {
  CameraAnimation* animation = new CameraAnimation();
  animation->name = node.name ? node.name : "";
  AddPositionKeys(node.positionTrack, &animation->positionX, &animation->positionY, &animation->positionZ);
  AddPositionKeys(node.targetTrack, &animation->targetX, &animation->targetY, &animation->targetZ);
  const RollTrack& roll = node.rollTrack;
  uint32_t keys = roll.frames.count < roll.values.count ? roll.frames.count : roll.values.count;
  for (uint32_t k = 0; k < keys; ++k) animation->roll.AddKey(static_cast<float>(roll.frames[k]), roll.values[k]);
  return animation;
}

}  // namespace

Scene::Scene() {}

Scene::~Scene() { Clear(); }

bool Scene::Load(Device* device, const char* path, const char* textureDir) {
  Loader3DS loader;
  if (!loader.Load(path, textureDir)) return false;

  for (const MaterialRecord* record : loader.materials)
    AppendOwned(materials, NewMaterial(device, loader.textureDir, *record));

  IDirect3DDevice9* d3d = device ? device->device : nullptr;
  for (const TriangleMesh* record : loader.meshes) {
    SceneMesh* mesh = new SceneMesh();
    std::string problem;
    if (mesh->Build(d3d, this, record, &problem) != 0 && d3d) {
      std::fprintf(stderr, "%s: mesh \"%s\" is not built: %s\n", path, mesh->name.c_str(), problem.c_str());
    }
    AppendOwned(meshes, mesh);
  }

  for (const CameraRecord* record : loader.cameras) {
    SceneCamera* camera = new SceneCamera();
    camera->name = record->name ? record->name : "";
    ExchangeYZ(camera->position, record->position);
    ExchangeYZ(camera->target, record->target);
    camera->bank = record->bank;
    camera->lens = record->lens;
    AppendOwned(cameras, camera);
  }

  for (const LightRecord* record : loader.lights) {
    SceneLight* light = new SceneLight();
    light->name = record->name ? record->name : "";
    CopyColour(light->colour, record->colour);
    ExchangeYZ(light->position, record->position);
    ExchangeYZ(light->target, record->target);
    light->hotspot = record->hotspot;
    light->falloff = record->falloff;
    AppendOwned(lights, light);
  }

  for (const KeyframeObjectInfo* node : loader.nodes) AppendOwned(animations, NewAnimation(*node));
  return true;
}

SceneMesh* Scene::FindMesh(const char* name) { return FindByName(meshes, name); }

SceneMaterial* Scene::FindMaterial(const char* name) { return FindByName(materials, name); }

CameraAnimation* Scene::FindAnimation(const char* name) { return FindByName(animations, name); }

void Scene::Clear() {
  DeleteAll(meshes);
  DeleteAll(cameras);
  DeleteAll(materials);
  DeleteAll(lights);
  DeleteAll(animations);
}
