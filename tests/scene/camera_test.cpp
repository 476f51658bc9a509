// camera_test.cpp -- look-at views, the views without a defined up vector, camera frames and times
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "src/scene/camera.h"
#include "src/scene/scene.h"

namespace {

void ExpectFiniteRigid(const D3DXMATRIX& m) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) ASSERT_TRUE(std::isfinite(m.m[r][c])) << "m[" << r << "][" << c << "]";
  // The three axis columns are unit length and perpendicular: a rotation, never a collapse.
  for (int a = 0; a < 3; ++a)
    for (int b = 0; b < 3; ++b) {
      float dot = m.m[0][a] * m.m[0][b] + m.m[1][a] * m.m[1][b] + m.m[2][a] * m.m[2][b];
      EXPECT_NEAR(dot, a == b ? 1.0f : 0.0f, 1e-5f) << "columns " << a << ", " << b;
    }
}

// Where a world point lands in view space.
D3DXVECTOR3 ToView(const D3DXMATRIX& view, D3DXVECTOR3 p) {
  D3DXVECTOR3 out;
  D3DXVec3TransformCoord(&out, &p, &view);
  return out;
}

TEST(MakeLookAt, AxisAlignedViews) {
  D3DXMATRIX view, identity;
  D3DXMatrixIdentity(&identity);
  D3DXVECTOR3 eye(0, 0, 0), ahead(0, 0, 10), right(10, 0, 0);
  MakeLookAt(&view, &eye, &ahead);
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_FLOAT_EQ(view.m[r][c] + 1.0f, identity.m[r][c] + 1.0f) << r << c;

  // Looking along world +X: +X is the view's +Z, and up stays up.
  MakeLookAt(&view, &eye, &right);
  D3DXVECTOR3 p = ToView(view, D3DXVECTOR3(5, 0, 0));
  EXPECT_NEAR(p.z, 5.0f, 1e-6f);
  EXPECT_NEAR(p.x, 0.0f, 1e-6f);
  p = ToView(view, D3DXVECTOR3(0, 3, 0));
  EXPECT_NEAR(p.y, 3.0f, 1e-6f);
  ExpectFiniteRigid(view);
}

TEST(MakeLookAt, HorizonStaysLevelFromAnyHeight) {
  D3DXVECTOR3 eye(3, 20, -7), target(-2, 0, 4);
  D3DXMATRIX view;
  MakeLookAt(&view, &eye, &target);
  ExpectFiniteRigid(view);
  // The view's x axis (first column) has no world y part: the camera never banks.
  EXPECT_NEAR(view.m[1][0], 0.0f, 1e-6f);
  EXPECT_GT(view.m[1][1], 0.0f) << "world up is up on the screen";
  D3DXVECTOR3 t = ToView(view, target);
  EXPECT_NEAR(t.x, 0.0f, 1e-5f);
  EXPECT_NEAR(t.y, 0.0f, 1e-5f);
}

TEST(MakeLookAt, ViewsWithoutAnUpVectorStayFiniteAndKeepWorldXToTheRight) {
  struct Case {
    const char* what;
    D3DXVECTOR3 eye, target;
    D3DXVECTOR3 forward;  // the world direction the view's +Z takes
  } cases[] = {
      {"straight down", {1, 10, 2}, {1, 0, 2}, {0, -1, 0}},
      {"straight up", {1, 0, 2}, {1, 10, 2}, {0, 1, 0}},
      {"eye on its target", {4, 5, 6}, {4, 5, 6}, {0, 0, 1}},
      {"NaN eye", {std::nanf(""), 0, 0}, {0, 0, 5}, {0, 0, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    D3DXMATRIX view;
    MakeLookAt(&view, &c.eye, &c.target);
    ExpectFiniteRigid(view);
    EXPECT_NEAR(view.m[0][0], 1.0f, 1e-6f) << "world +X is the view's +X";
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(view.m[k][2], (&c.forward.x)[k], 1e-6f) << "forward component " << k;
  }
  // Looking down slightly toward +Z is nearly the same view as looking straight down: the chosen
  // up vector is the limit of the level views from that side, not an arbitrary jump.
  D3DXVECTOR3 eye(1, 10, 2), nearly(1.0f, 0.0f, 2.0001f);
  D3DXMATRIX exact, nudged;
  MakeLookAt(&exact, &eye, &cases[0].target);
  MakeLookAt(&nudged, &eye, &nearly);
  ExpectFiniteRigid(nudged);
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(nudged.m[r][c], exact.m[r][c], 1e-3f) << r << c;
}

TEST(CameraFrames, TimeScaleRollAndChannelsWithoutKeys) {
  CameraAnimation camera;
  camera.positionX.AddKey(0, 1);
  camera.positionY.AddKey(0, 2);
  camera.positionZ.AddKey(0, 3);
  camera.targetX.AddKey(0, 10);
  camera.targetX.AddKey(20, 30);
  // targetY and targetZ have no keys.
  camera.roll.AddKey(0, 45);
  CameraFrame frame;
  EvaluateCamera(camera, 1234, 0.01f, &frame);
  EXPECT_EQ(frame.frameTime, 12.34f);
  EXPECT_EQ(frame.eye, D3DXVECTOR3(1, 2, 3)) << "animation keys keep the file's order";
  EXPECT_NEAR(frame.target.x, 10.0f + 20.0f * 12.34f / 20.0f, 1e-4f);
  EXPECT_EQ(frame.target.y, 0.0f) << "a channel without keys gives 0, not the channel before it";
  EXPECT_EQ(frame.target.z, 0.0f);
  EXPECT_EQ(frame.roll, 45.0f);
  EvaluateCamera(camera, 0, 0.01f, &frame);
  EXPECT_EQ(frame.frameTime, 0.0f);
  EvaluateCamera(camera, 0xFFFFFFFFu, 0.01f, &frame);
  EXPECT_EQ(frame.frameTime, 42949672.0f);
}

TEST(CameraFrames, ProjectionIsFixed) {
  D3DXMATRIX projection, expected;
  CameraProjection(&projection);
  D3DXMatrixPerspectiveFovLH(&expected, 0.7853982f, 1.3333334f, 1.0f, 1000.0f);
  EXPECT_EQ(0, std::memcmp(&projection, &expected, sizeof expected));
}

}  // namespace
