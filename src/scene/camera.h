// camera.h -- the look-at view with a level horizon, and a camera animation evaluated at a time
#pragma once

#include <d3dx9math.h>

#include <cstdint>

class CameraAnimation;

// A view from eye to target whose up vector is world +Y made perpendicular to the view direction,
// so the horizon stays level. Two cases have no such up vector and get a fixed choice instead, so
// the matrix is always a finite rigid transform: an eye equal to its target looks along +Z, and a
// view along the Y axis keeps world +X as its right-hand direction. Returns out.
D3DXMATRIX* MakeLookAt(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* target);

// Where a camera is at one time, as the render uses it.
struct CameraFrame {
  float frameTime;  // keyframer frames: the whole time x scale, rounded once to a float
  D3DXVECTOR3 eye;
  D3DXVECTOR3 target;
  float roll;  // evaluated but not applied: the camera never banks
};

// Evaluates the seven channels in order at the whole time x scale. A channel without keys
// gives 0.
void EvaluateCamera(const CameraAnimation& camera, uint32_t time, float scale, CameraFrame* out);

// The camera's projection, the same for every camera and frame: pi/4 vertically, 4:3, near 1, far 1000.
D3DXMATRIX* CameraProjection(D3DXMATRIX* out);
