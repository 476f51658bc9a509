// sphere_distortion.cpp -- loading and drawing the distorted, environment-mapped sphere
#include "src/effects/sphere_distortion.h"

#include <windows.h>

#include <cmath>

#include "src/device/device.h"
#include "src/device/effect.h"
#include "src/device/texture.h"
#include "src/effects/effect_dispatcher.h"
#include "src/effects/effect_table.h"

Texture* sphereEnvMap;
Effect* sphereEffect;
ID3DXMesh* sphereMesh;

namespace {

const float kColour[4] = {1.0f, 0.0f, 1.0f, 1.0f};
constexpr float kFieldOfView = D3DX_PI / 4.0f;
constexpr float kAspect = 4.0f / 3.0f;  // whatever the window's size
constexpr float kDistance = 2.5f;

}  // namespace

const char kSphereMeshFile[] = "media/sphere6divs.x";

namespace {

// The mesh file with positions alone into *out (all the effect reads): the load's result; *out
// stays null when the load or the copy fails.
HRESULT LoadSphereMesh(Device* device, ID3DXMesh** out) {
  *out = nullptr;
  ID3DXMesh* loaded = nullptr;
  HRESULT hr = D3DXLoadMeshFromXA(kSphereMeshFile, D3DXMESH_SYSTEMMEM, device->device, nullptr, nullptr, nullptr,
                                  nullptr, &loaded);
  if (FAILED(hr) || !loaded) return FAILED(hr) ? hr : E_FAIL;
  // The effect reads positions only; the loaded mesh with whatever else the file held goes.
  if (FAILED(loaded->CloneMeshFVF(D3DXMESH_WRITEONLY, D3DFVF_XYZ, device->device, out))) *out = nullptr;
  loaded->Release();
  return hr;
}

}  // namespace

bool ReloadSphereMesh(Device* device) {
  if (!device || !device->device) return false;
  ID3DXMesh* fresh = nullptr;
  if (FAILED(LoadSphereMesh(device, &fresh)) || !fresh) return false;
  ReleaseSphereDistortion();
  sphereMesh = fresh;
  return true;
}

void ReleaseSphereDistortion() {
  if (sphereMesh) {
    sphereMesh->Release();
    sphereMesh = nullptr;
  }
}

void LoadSphereDistortion(Device* device) {
  ReleaseSphereDistortion();  // a second load must not leak the first mesh
  sphereEnvMap = nullptr;
  sphereEffect = nullptr;
  if (!device) return;
  sphereEnvMap = device->LoadTexture("media/maps/pmetal.png");
  sphereEffect = device->LoadEffect("media/spheredistort.fx");
  if (sphereEffect) sphereEffect->effect->SetFloatArray("Colour", kColour, 4);

  if (FAILED(LoadSphereMesh(device, &sphereMesh))) MessageBeep(MB_OK);
}

void DrawSphereDistortion(Device* device, uint32_t timeMs) {
  if (!device || !device->device || !sphereMesh || !sphereEffect || !sphereEnvMap || !sphereEnvMap->texture) return;
  ID3DXEffect* effect = sphereEffect->effect;
  const float t = static_cast<float>(timeMs) * 0.001f;
  effect->SetTechnique("SphereDistort");

  D3DXMATRIX projection, translation, rotation, world, worldProjection;
  D3DXMatrixPerspectiveFovLH(&projection, kFieldOfView, kAspect, 0.1f, 100.0f);
  D3DXMatrixTranslation(&translation, 0.0f, 0.0f, kDistance);
  D3DXMatrixRotationYawPitchRoll(&rotation, 1.5f * t, 1.25f * t, 1.1f * t);
  // The sphere spins about its own centre, then sits in front of the eye, which is at the
  // origin looking along +z: there is no view matrix.
  D3DXMatrixMultiply(&world, &rotation, &translation);
  D3DXMatrixMultiply(&worldProjection, &world, &projection);
  effect->SetMatrix("Matrix", &worldProjection);
  effect->SetMatrix("WorldMatrix", &world);
  effect->SetTexture("EnvMap", sphereEnvMap->texture);
  const float minorMul[3] = {24.0f * std::cos(0.25f * t), 24.0f * std::sin(0.2f * t), 0.0f};
  effect->SetFloatArray("MinorMul", minorMul, 3);

  IDirect3DDevice9* d3d = device->device;
  d3d->BeginScene();
  UINT passes = 0;
  if (SUCCEEDED(effect->Begin(&passes, 0))) {
    for (UINT pass = 0; pass < passes; ++pass) {
      effect->BeginPass(pass);
      sphereMesh->DrawSubset(0);
      effect->EndPass();
    }
    effect->End();
  }
  d3d->EndScene();
}

namespace {

void WarmUpSphere(Device* device, const Timeline&) { DrawSphereDistortion(device, 0); }

void DrawSphereEvent(Device* device, const EffectEvent& event) {
  DrawSphereDistortion(device, effect_time::SphereMs(event.param1, event.elapsedMs));
}

}  // namespace

// param1 the milliseconds into the sphere's turn; the mesh is the effect's own to release.
const EffectEntry kSphereEffect = {
    "sphere", kEffectSphere, 1, 3, LoadSphereDistortion, WarmUpSphere, DrawSphereEvent, ReleaseSphereDistortion,
};
