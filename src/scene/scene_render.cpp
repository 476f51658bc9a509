// scene_render.cpp -- the two-pass render: every mesh into the shadow map from the first light, then
// every mesh from the camera, lit by that light as a spot light and shadowed through the map
#include "src/scene/scene_render.h"

#include <windows.h>

#include <algorithm>
#include <cmath>

#include "src/scene/camera.h"
#include "src/scene/scene.h"
#include "src/device/device.h"
#include "src/device/effect.h"
#include "src/device/texture.h"

Effect* sceneEffect = nullptr;
IDirect3DTexture9* shadowMap = nullptr;
IDirect3DSurface9* shadowDepth = nullptr;

namespace {

constexpr float kShadowMapSizeF = 1024.0f;
constexpr float kRecipShadowMapSize = 0.0009765625f;
static_assert(kShadowMapSize == 1024, "the shadow map's size and its effect parameters agree");

D3DXVECTOR3 Vector(const float v[3]) { return D3DXVECTOR3(v[0], v[1], v[2]); }

// Draws every subset of every built mesh once per effect pass; the technique and g_mProj are set.
void DrawMeshes(Scene* scene, ID3DXEffect* fx, const D3DXMATRIX* view) {
  for (SceneMesh* mesh : scene->meshes) {
    if (!mesh->mesh) continue;  // refused at load: nothing to draw
    for (uint32_t j = 0; j < mesh->materials.count; ++j) {
      // A subset without a map draws with the map set last.
      const SceneMaterial* material = mesh->materials[j];
      if (material && material->texture && material->texture->texture)
        fx->SetTexture("g_txDiffuseMap", material->texture->texture);
      D3DXMATRIX rotation, translation, world, worldView;
      D3DXMatrixRotationYawPitchRoll(&rotation, mesh->yaw, mesh->pitch, mesh->roll);
      D3DXMatrixTranslation(&translation, mesh->position[0], mesh->position[1], mesh->position[2]);
      D3DXMatrixMultiply(&world, &rotation, &translation);
      D3DXMatrixMultiply(&worldView, &world, view);
      fx->SetMatrix("g_mWorldView", &worldView);
      fx->CommitChanges();
      UINT passes = 0;
      if (FAILED(fx->Begin(&passes, 0))) continue;
      for (UINT p = 0; p < passes; ++p) {
        fx->BeginPass(p);
        mesh->mesh->DrawSubset(j);
        fx->EndPass();
      }
      fx->End();
    }
  }
}

// The shadow pass: render target 0 and the depth surface point at the shadow map for the pass
// and are put back afterwards, so the caller finds them as it left them.
void RenderShadowPass(Scene* scene, Device* device, const D3DXMATRIX* lightView, const D3DXMATRIX* lightProj) {
  IDirect3DDevice9* d3d = device->device;
  IDirect3DSurface9* level = nullptr;
  if (FAILED(shadowMap->GetSurfaceLevel(0, &level))) return;
  IDirect3DSurface9* savedTarget = nullptr;
  IDirect3DSurface9* savedDepth = nullptr;
  d3d->GetRenderTarget(0, &savedTarget);
  d3d->SetRenderTarget(0, level);
  level->Release();  // the device holds the surface while it is the target
  d3d->GetDepthStencilSurface(&savedDepth);
  d3d->SetDepthStencilSurface(shadowDepth);

  scene->DrawPass(device, lightView, lightProj, true);

  if (savedTarget) d3d->SetRenderTarget(0, savedTarget);
  d3d->SetDepthStencilSurface(savedDepth);
  if (savedTarget) savedTarget->Release();
  if (savedDepth) savedDepth->Release();
}

// Places the light in the camera's view space and sets the cone for the lit pass.
void SetLightParameters(ID3DXEffect* fx, const SceneLight& light, const D3DXMATRIX& view,
                        const D3DXMATRIX& lightView, const D3DXMATRIX& lightProj) {
  D3DXMATRIX inverseView, viewToLightView, viewToLightProj;
  D3DXMatrixInverse(&inverseView, nullptr, &view);
  D3DXMatrixMultiply(&viewToLightView, &inverseView, &lightView);
  D3DXMatrixMultiply(&viewToLightProj, &viewToLightView, &lightProj);
  fx->SetMatrix("g_mViewToLightProj", &viewToLightProj);

  const D3DXVECTOR3 position = Vector(light.position);
  D3DXVECTOR3 viewPosition;
  D3DXVec3TransformCoord(&viewPosition, &position, &view);
  fx->SetFloatArray("g_vViewSpaceLightPosition", &viewPosition.x, 3);

  const D3DXVECTOR3 direction = Vector(light.target) - position;
  D3DXVECTOR3 viewDirection;
  D3DXVec3TransformNormal(&viewDirection, &direction, &view);
  D3DXVec3Normalize(&viewDirection, &viewDirection);
  fx->SetFloatArray("g_vViewSpaceLightDirection", &viewDirection.x, 3);

  const ConeCosines cone = ComputeConeCosines(light.hotspot, light.falloff);
  fx->SetFloat("g_fCosLightOuterAngle", cone.outer);
  fx->SetFloat("g_fCosLightInnerAngle", cone.inner);
  fx->SetFloat("g_fCosLightAngleDelta", cone.delta);
}

}  // namespace

HRESULT PrepareShadowMap(Device* device) { return PrepareShadowMap(device, "media/Phong.fx"); }

HRESULT PrepareShadowMap(Device* device, const char* effectFile) {
  ReleaseShadowMap();  // a second preparation replaces the first without leaking it
  sceneEffect = device->LoadEffect(effectFile);
  if (!sceneEffect) return E_FAIL;
  if (FAILED(D3DXCreateTexture(device->device, kShadowMapSize, kShadowMapSize, 1, D3DUSAGE_RENDERTARGET, D3DFMT_R32F,
                               D3DPOOL_DEFAULT, &shadowMap))) {
    shadowMap = nullptr;
    MessageBoxA(nullptr, "bollocks", nullptr, MB_OK);
  }
  if (FAILED(device->device->CreateDepthStencilSurface(kShadowMapSize, kShadowMapSize,
                                                       device->presentParameters.AutoDepthStencilFormat,
                                                       D3DMULTISAMPLE_NONE, 0, TRUE, &shadowDepth, nullptr))) {
    shadowDepth = nullptr;
    MessageBoxA(nullptr, "shit", nullptr, MB_OK);
  }
  return S_OK;
}

void ReleaseShadowMap() {
  if (shadowMap) shadowMap->Release();
  if (shadowDepth) shadowDepth->Release();
  shadowMap = nullptr;
  shadowDepth = nullptr;
  sceneEffect = nullptr;
}

float LightFieldOfView(float falloffDegrees) {
  // The outer cone spans the falloff angle; a tenth more and two degrees leave room for the soft
  // edge's filter taps at the rim. Within 2 and 170 degrees the projection stays finite.
  float degrees = std::isfinite(falloffDegrees) ? falloffDegrees * 1.1f + 2.0f : 170.0f;
  degrees = std::min(170.0f, std::max(2.0f, degrees));
  return degrees * (3.1415927f / 180.0f);
}

D3DXMATRIX* LightProjection(D3DXMATRIX* out, const SceneLight& light) {
  return D3DXMatrixPerspectiveFovLH(out, LightFieldOfView(light.falloff), 1.0f, 1.0f, 1000.0f);
}

ConeCosines ComputeConeCosines(float hotspotDegrees, float falloffDegrees) {
  const long double half = 0.5f, pi = 3.1415927f, perDegree = 0.0055555557f;
  const long double inner = std::cos(static_cast<long double>(hotspotDegrees) * half * pi * perDegree);
  const long double outer = std::cos(static_cast<long double>(falloffDegrees) * half * pi * perDegree);
  return ConeCosines{static_cast<float>(inner), static_cast<float>(outer), static_cast<float>(inner - outer)};
}

HRESULT Scene::RenderFromCamera(Device* device, const char* cameraName, uint32_t time, float scale) {
  // Without a light, the effect, its two techniques or the shadow map nothing can be drawn:
  // fail before anything is cleared or drawn.
  if (lights.count == 0 || !sceneEffect || !sceneEffect->effect || !shadowMap || !shadowDepth || !device ||
      !device->device)
    return E_FAIL;
  ID3DXEffect* fx = sceneEffect->effect;
  if (!fx->GetTechniqueByName("ShadowMap") || !fx->GetTechniqueByName("Scene")) return E_FAIL;
  const SceneLight& light = *lights[0];
  const D3DXVECTOR3 lightPosition = Vector(light.position), lightTarget = Vector(light.target);
  D3DXMATRIX lightView, lightProj;
  MakeLookAt(&lightView, &lightPosition, &lightTarget);
  LightProjection(&lightProj, light);
  fx->SetFloat("g_fShadowMapSize", kShadowMapSizeF);
  fx->SetFloat("g_fRecipShadowMapSize", kRecipShadowMapSize);

  RenderShadowPass(this, device, &lightView, &lightProj);

  const CameraAnimation* camera = FindAnimation(cameraName);
  if (!camera) return E_FAIL;
  CameraFrame frame;
  EvaluateCamera(*camera, time, scale, &frame);
  D3DXMATRIX view, projection;
  MakeLookAt(&view, &frame.eye, &frame.target);
  CameraProjection(&projection);

  SetLightParameters(fx, light, view, lightView, lightProj);
  return DrawPass(device, &view, &projection, false);
}

HRESULT Scene::DrawPass(Device* device, const D3DXMATRIX* view, const D3DXMATRIX* projection, bool shadow) {
  if (!device || !device->device || !sceneEffect || !sceneEffect->effect) return E_FAIL;
  IDirect3DDevice9* d3d = device->device;
  ID3DXEffect* fx = sceneEffect->effect;
  // In the shadow pass this clears every texel to 0.0, "no occluder", and the depth to 1.0.
  d3d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
  d3d->BeginScene();
  if (FAILED(fx->SetTechnique(shadow ? "ShadowMap" : "Scene"))) {
    d3d->EndScene();  // the scene begun above is closed: the next BeginScene must not fail
    return E_FAIL;
  }
  if (shadow) fx->SetTexture("g_txShadowMap", shadowMap);
  fx->SetMatrix("g_mProj", projection);
  DrawMeshes(this, fx, view);
  d3d->EndScene();
  return S_OK;
}
