// scene_render.h -- the shadow-mapped render's resources: "media/Phong.fx", the shadow map and its depth
//
// PrepareShadowMap makes them once at start-up, before the scene is loaded; Scene::RenderFromCamera
// (scene.h) draws with them every scene frame. The shadow map and its depth surface belong to this
// module, not to the Device's registry: ReleaseShadowMap releases them, and the program calls it
// (with Scene::Clear) before the Device is deleted.
#pragma once

#include <d3dx9.h>

class Device;
class Effect;
class SceneLight;

// The shadow map's side in texels; the texture, its depth surface and the effect's
// g_fShadowMapSize and g_fRecipShadowMapSize all use it.
constexpr int kShadowMapSize = 1024;

// Loads "media/Phong.fx" and makes the shadow map and its depth surface. E_FAIL when the effect
// cannot be made (nothing else is made then); otherwise S_OK, even when the texture ("bollocks")
// or the depth surface ("shit") could not be made, each reported in a message box.
HRESULT PrepareShadowMap(Device* device);
// The same with another effect file (tools and tests).
HRESULT PrepareShadowMap(Device* device, const char* effectFile);
// Releases the shadow map and its depth surface and forgets the effect (the Device deletes it).
void ReleaseShadowMap();

// The light's projection for the shadow pass and for g_mViewToLightProj: aspect 1, near 1,
// far 1000, and a field of view wide enough that the whole outer cone and its soft edge fall
// inside the shadow map.
D3DXMATRIX* LightProjection(D3DXMATRIX* out, const SceneLight& light);
// The light projection's vertical field of view in radians, from the falloff angle in degrees.
float LightFieldOfView(float falloffDegrees);

// Cosines of half the hotspot and half the falloff angle and their difference, each worked out
// in extended precision from the angle and the single-precision constants, then rounded.
struct ConeCosines {
  float inner;
  float outer;
  float delta;
};
ConeCosines ComputeConeCosines(float hotspotDegrees, float falloffDegrees);

extern Effect* sceneEffect;              // registered with the Device, which deletes it
extern IDirect3DTexture9* shadowMap;     // owned here
extern IDirect3DSurface9* shadowDepth;   // owned here
