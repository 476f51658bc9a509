// scene.h -- Scene: the run-time form of the demo's 3DS scene, and the program's one `scene`
//
// Scene::Load has the 3DS reader parse a file and copies what drawing needs into records of its
// own: materials with their textures, device meshes, cameras, lights and one CameraAnimation per
// keyframer node. Objects are tied together by name only; every lookup is an exact,
// case-sensitive comparison of whole names, and the first record in file order wins.
//
// Three coordinate rules hold and they differ on purpose, because the scene files and their camera
// paths are authored against them: vertex positions and the static camera and light records
// exchange their second and third components (file x, y, z is scene x, z, y); mesh translations and
// every animation key keep the file's order; triangle winding is reversed (a, b, c is drawn c, b, a).
//
// The Scene has static storage duration and so outlives the Device: the program calls
// Scene::Clear (and ReleaseShadowMap, scene_render.h) before it deletes the Device, which releases
// every device mesh while the Direct3D device still exists.
#pragma once

#include <d3dx9.h>

#include <cstdint>
#include <string>

#include "src/common/grow_array.h"
#include "src/scene/key_track.h"

class Device;
class Scene;
class Texture;
struct TriangleMesh;

class SceneMaterial {
 public:
  std::string name;
  float ambient[4] = {0, 0, 0, 1};   // r, g, b, a = 1
  float diffuse[4] = {0, 0, 0, 1};
  float specular[4] = {0, 0, 0, 1};
  Texture* texture = nullptr;  // the Device owns it; null without a map or when loading failed
  float vScale = 0.0f;
  float uScale = 0.0f;
};

class SceneMesh {
 public:
  SceneMesh();
  ~SceneMesh();
  SceneMesh(const SceneMesh&) = delete;
  SceneMesh& operator=(const SceneMesh&) = delete;

  // Builds the device mesh from record: 0 when built. A record the device mesh cannot be built
  // from (no faces, a vertex or face number out of range) is refused: name and origin are still
  // taken, mesh stays null and the material list empty, so it is never drawn; the result is 1 and
  // *problem (when given) says why.
  int Build(IDirect3DDevice9* device, Scene* scene, const TriangleMesh* record, std::string* problem = nullptr);

  std::string name;
  ID3DXMesh* mesh = nullptr;         // owned; null until built
  GrowArray<SceneMaterial*> materials;  // entry j is subset j's material (null: no such material)
  float origin[3] = {0, 0, 0};       // the mesh translation as stored (no exchange of axes)
  float position[3] = {0, 0, 0};     // the translation used for drawing
  float pitch = 0.0f;                // radians, about X
  float yaw = 0.0f;                  // radians, about Y
  float roll = 0.0f;                 // radians, about Z
};

class SceneCamera {
 public:
  std::string name;
  float position[3] = {0, 0, 0};  // axes exchanged
  float target[3] = {0, 0, 0};    // axes exchanged
  float bank = 0.0f;
  float lens = 0.0f;
};

class SceneLight {
 public:
  std::string name;
  float colour[4] = {0, 0, 0, 1};
  float position[3] = {0, 0, 0};  // axes exchanged
  float target[3] = {0, 0, 0};    // axes exchanged
  float hotspot = 0.0f;           // degrees, the full inner cone
  float falloff = 0.0f;           // degrees, the full outer cone
};

// A keyframer node's seven scalar channels, in the file's component order.
class CameraAnimation {
 public:
  std::string name;
  KeyTrack positionX, positionY, positionZ;
  KeyTrack targetX, targetY, targetZ;
  KeyTrack roll;
};

class Scene {
 public:
  Scene();
  ~Scene();
  Scene(const Scene&) = delete;
  Scene& operator=(const Scene&) = delete;

  // Reads path with the 3DS reader (maps are looked up under textureDir, which ends in "/") and
  // appends its records. False when the reader refused the file; nothing is added then. A mesh
  // that cannot be built is named on standard error with the file and the problem. A Device
  // without a Direct3D device (qolatool camera) takes every record but makes no textures and no
  // device meshes.
  bool Load(Device* device, const char* path, const char* textureDir);
  // First record of that exact name, or null.
  SceneMesh* FindMesh(const char* name);
  SceneMaterial* FindMaterial(const char* name);
  CameraAnimation* FindAnimation(const char* name);
  // Destroys every record (device meshes released) and keeps the arrays' storage.
  void Clear();

  // One frame through the named camera at whole time `time` x scale frames: the shadow pass from
  // the first light, then the lit pass into the current render target (scene_render.cpp).
  // E_FAIL, drawing nothing, without a light, the effect (or one of its techniques "ShadowMap" and
  // "Scene"), the shadow map or its depth surface; E_FAIL after
  // the shadow pass when no animation has that name.
  HRESULT RenderFromCamera(Device* device, const char* camera, uint32_t time, float scale);
  // Clears the current target and draws every mesh once with the "ShadowMap" (shadow true) or
  // "Scene" technique.
  HRESULT DrawPass(Device* device, const D3DXMATRIX* view, const D3DXMATRIX* projection, bool shadow);

  GrowArray<SceneMesh*> meshes;
  GrowArray<SceneCamera*> cameras;
  GrowArray<SceneMaterial*> materials;
  GrowArray<SceneLight*> lights;
  GrowArray<CameraAnimation*> animations;
};

// The program's scene: "media/scene1texkey.3ds", loaded at start-up.
extern Scene scene;
