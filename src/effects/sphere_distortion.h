// sphere_distortion.h -- a sphere mesh spinning in front of the eye, distorted and
// environment-mapped by "media/spheredistort.fx"
#pragma once

#include <cstdint>

#include <d3dx9.h>

class Device;
class Effect;
class Texture;

// Loads "media/maps/pmetal.png" (the environment map), "media/spheredistort.fx" (setting its
// "Colour" to magenta once) and the mesh "media/sphere6divs.x", kept as a position-only copy.
// A mesh that fails to load gives one MessageBeep(0) and no mesh.
void LoadSphereDistortion(Device* device);
// One frame at timeMs: the sphere turned by yaw 1.5 t, pitch 1.25 t, roll 1.1 t (t in seconds)
// 2.5 units in front of the eye, with "MinorMul" = (24 cos 0.25 t, 24 sin 0.2 t, 0). Draws
// nothing when the mesh, the effect or the environment map is missing.
void DrawSphereDistortion(Device* device, uint32_t timeMs);
// Releases the mesh, which is not one of the Device's resources: call it before the Device
// releases the Direct3D device. Safe to call more than once.
void ReleaseSphereDistortion();
// The preview's reload of an edited sphere mesh file: the new mesh in the old one's place only
// when it loads; false (the old kept) otherwise.
bool ReloadSphereMesh(Device* device);

extern const char kSphereMeshFile[];

// The module's resources: the texture and the effect belong to the Device; the mesh is ours.
extern Texture* sphereEnvMap;
extern Effect* sphereEffect;
extern ID3DXMesh* sphereMesh;
