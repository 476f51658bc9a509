// camera.cpp -- MakeLookAt and the camera steps: seven channels, the eye, the target, the projection
#include "src/scene/camera.h"

#include <cmath>

#include "src/scene/scene.h"

namespace {

bool Finite(const D3DXVECTOR3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

}  // namespace

D3DXMATRIX* MakeLookAt(D3DXMATRIX* out, const D3DXVECTOR3* eyeIn, const D3DXVECTOR3* targetIn) {
  // A point that is not finite (a file's NaN key) stands at the origin instead.
  const D3DXVECTOR3 zero(0.0f, 0.0f, 0.0f);
  D3DXVECTOR3 eye = Finite(*eyeIn) ? *eyeIn : zero;
  D3DXVECTOR3 target = Finite(*targetIn) ? *targetIn : zero;

  D3DXVECTOR3 d = target - eye;
  D3DXVec3Normalize(&d, &d);
  const bool onTarget = d.x == 0.0f && d.y == 0.0f && d.z == 0.0f;
  if (onTarget) d = D3DXVECTOR3(0.0f, 0.0f, 1.0f);

  // r = world up x d; a view along Y has none, and then world +X stands in for it.
  D3DXVECTOR3 r(d.z, 0.0f, -d.x);
  if (r.x * r.x + r.z * r.z < 1e-12f) r = D3DXVECTOR3(1.0f, 0.0f, 0.0f);
  D3DXVECTOR3 u(d.y * r.z - d.z * r.y, d.z * r.x - d.x * r.z, d.x * r.y - d.y * r.x);
  D3DXVec3Normalize(&u, &u);

  // An eye on its target looks at a point one unit along +Z instead.
  const D3DXVECTOR3 at = onTarget ? eye + d : target;
  return D3DXMatrixLookAtLH(out, &eye, &at, &u);
}

void EvaluateCamera(const CameraAnimation& camera, uint32_t time, float scale, CameraFrame* out) {
  // The product of a 32-bit integer and a float is exact in extended precision; it is rounded once.
  out->frameTime = static_cast<float>(static_cast<long double>(time) * static_cast<long double>(scale));
  const KeyTrack* channels[7] = {&camera.positionX, &camera.positionY, &camera.positionZ, &camera.targetX,
                                 &camera.targetY,   &camera.targetZ,   &camera.roll};
  float values[7];
  TrackKey key{0.0f, 0.0f};
  for (int c = 0; c < 7; ++c) {
    key.value = 0.0f;  // a channel without keys leaves the key as it is: it then gives 0
    channels[c]->Evaluate(out->frameTime, &key);
    values[c] = key.value;
  }
  out->eye = D3DXVECTOR3(values[0], values[1], values[2]);
  out->target = D3DXVECTOR3(values[3], values[4], values[5]);
  out->roll = values[6];
}

D3DXMATRIX* CameraProjection(D3DXMATRIX* out) {
  return D3DXMatrixPerspectiveFovLH(out, 0.7853982f, 1.3333334f, 1.0f, 1000.0f);
}
