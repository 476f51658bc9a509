// math_test.cpp -- D3DX matrices and vectors against values worked out by hand
#include <d3dx9.h>
#include <gtest/gtest.h>

#include <cmath>

namespace {

void ExpectMatrixNear(const D3DXMATRIX& expected, const D3DXMATRIX& got, float tolerance = 1e-5f) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) EXPECT_NEAR(expected.m[r][c], got.m[r][c], tolerance) << "m[" << r << "][" << c << "]";
}

void ExpectVectorNear(const D3DXVECTOR3& expected, const D3DXVECTOR3& got, float tolerance = 1e-5f) {
  EXPECT_NEAR(expected.x, got.x, tolerance);
  EXPECT_NEAR(expected.y, got.y, tolerance);
  EXPECT_NEAR(expected.z, got.z, tolerance);
}

TEST(Math, MultiplyIsRowTimesColumnAndAliasSafe) {
  D3DXMATRIX a(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
  D3DXMATRIX b(2, 0, 0, 1, 0, 3, 0, 0, 1, 0, 1, 0, 0, 0, 0, 1);
  // Row 0 of a times b: (1*2 + 3*1, 2*3, 3*1, 1*1 + 4*1) = (5, 6, 3, 5)
  D3DXMATRIX expected(5, 6, 3, 5, 17, 18, 7, 13, 29, 30, 11, 21, 41, 42, 15, 29);
  ExpectMatrixNear(expected, a * b);
  D3DXMatrixMultiply(&a, &a, &b);
  ExpectMatrixNear(expected, a);
}

TEST(Math, LookAtFromOriginDownZIsIdentity) {
  D3DXVECTOR3 eye(0, 0, 0), at(0, 0, 5), up(0, 1, 0);
  D3DXMATRIX view, identity;
  D3DXMatrixLookAtLH(&view, &eye, &at, &up);
  ExpectMatrixNear(*D3DXMatrixIdentity(&identity), view);
}

TEST(Math, LookAtMovesTheEyeToTheOriginAndInverseUndoesIt) {
  D3DXVECTOR3 eye(3, -2, 7), at(4, -2, 7), up(0, 1, 0);  // looking down +X
  D3DXMATRIX view;
  D3DXMatrixLookAtLH(&view, &eye, &at, &up);
  D3DXVECTOR3 e;
  ExpectVectorNear(D3DXVECTOR3(0, 0, 0), *D3DXVec3TransformCoord(&e, &eye, &view));
  // One unit ahead of the eye lands on +Z; +Z in the world is to the right... in a left-handed
  // view looking down +X, world -Z is to the right (x axis = up x forward = (0,0,-1)).
  ExpectVectorNear(D3DXVECTOR3(0, 0, 1), *D3DXVec3TransformCoord(&e, &at, &view));
  D3DXVECTOR3 right(3, -2, 6);
  ExpectVectorNear(D3DXVECTOR3(1, 0, 0), *D3DXVec3TransformCoord(&e, &right, &view));

  D3DXMATRIX inverse, product, identity;
  float determinant = 0.0f;
  ASSERT_NE(nullptr, D3DXMatrixInverse(&inverse, &determinant, &view));
  EXPECT_NEAR(1.0f, determinant, 1e-5f);
  D3DXVECTOR3 origin(0, 0, 0);
  ExpectVectorNear(eye, *D3DXVec3TransformCoord(&e, &origin, &inverse));
  ExpectMatrixNear(*D3DXMatrixIdentity(&identity), *D3DXMatrixMultiply(&product, &view, &inverse));
}

TEST(Math, InverseOfSingularFailsAndLeavesOutput) {
  D3DXMATRIX singular(1, 2, 3, 4, 2, 4, 6, 8, 0, 0, 1, 0, 0, 0, 0, 1), out(9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9, 9,
                                                                          9, 9, 9);
  float determinant = 5.0f;
  EXPECT_EQ(nullptr, D3DXMatrixInverse(&out, &determinant, &singular));
  EXPECT_EQ(0.0f, determinant);
  EXPECT_EQ(9.0f, out._11);
}

TEST(Math, YawPitchRollAppliesRollThenPitchThenYaw) {
  const float yaw = 0.3f, pitch = -0.7f, roll = 1.1f;
  D3DXMATRIX ypr, rz, rx, ry;
  D3DXMatrixRotationYawPitchRoll(&ypr, yaw, pitch, roll);
  D3DXMatrixRotationZ(&rz, roll);
  D3DXMatrixRotationX(&rx, pitch);
  D3DXMatrixRotationY(&ry, yaw);
  ExpectMatrixNear(rz * rx * ry, ypr);
  // By hand: yaw of 90 degrees turns +X (row vector) to -Z, pitch of 90 turns +Y to +Z, roll of
  // 90 turns +X to +Y.
  struct Case {
    float yaw, pitch, roll;
    D3DXVECTOR3 in, out;
  } cases[] = {
      {D3DX_PI / 2, 0, 0, {1, 0, 0}, {0, 0, -1}},
      {0, D3DX_PI / 2, 0, {0, 1, 0}, {0, 0, 1}},
      {0, 0, D3DX_PI / 2, {1, 0, 0}, {0, 1, 0}},
      {D3DX_PI / 2, 0, D3DX_PI / 2, {1, 0, 0}, {0, 1, 0}},  // roll to +Y, yaw leaves Y alone
      {D3DX_PI / 2, D3DX_PI / 2, 0, {0, 1, 0}, {1, 0, 0}},  // pitch to +Z, then yaw to +X
  };
  for (const Case& c : cases) {
    D3DXMATRIX m;
    D3DXVECTOR3 v;
    D3DXMatrixRotationYawPitchRoll(&m, c.yaw, c.pitch, c.roll);
    ExpectVectorNear(c.out, *D3DXVec3TransformNormal(&v, &c.in, &m));
  }
}

TEST(Math, PerspectiveFovLHMapsNearAndFarToZeroAndOne) {
  D3DXMATRIX p;
  D3DXMatrixPerspectiveFovLH(&p, D3DX_PI / 2, 2.0f, 1.0f, 11.0f);
  // yScale = cot(45 deg) = 1, xScale = 1 / 2, zf / (zf - zn) = 1.1, -zn zf / (zf - zn) = -1.1
  D3DXMATRIX expected(0.5f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1.1f, 1, 0, 0, -1.1f, 0);
  ExpectMatrixNear(expected, p);
  D3DXVECTOR3 nearPoint(0, 0, 1), farPoint(4, 11, 11), v;
  EXPECT_NEAR(0.0f, D3DXVec3TransformCoord(&v, &nearPoint, &p)->z, 1e-6f);
  D3DXVec3TransformCoord(&v, &farPoint, &p);
  ExpectVectorNear(D3DXVECTOR3(4 * 0.5f / 11, 1, 1), v);
}

TEST(Math, OrthoOffCenterLHMapsTheBoxToClipSpace) {
  D3DXMATRIX o;
  D3DXMatrixOrthoOffCenterLH(&o, 10, 30, 50, -30, 1, 5);  // bottom 50, top -30: y flips
  struct Case {
    D3DXVECTOR3 in, out;
  } cases[] = {
      {{10, 50, 1}, {-1, -1, 0}},
      {{30, -30, 5}, {1, 1, 1}},
      {{20, 10, 3}, {0, 0, 0.5f}},
  };
  for (const Case& c : cases) {
    D3DXVECTOR3 v;
    ExpectVectorNear(c.out, *D3DXVec3TransformCoord(&v, &c.in, &o));
  }
}

TEST(Math, VectorsAndTransforms) {
  D3DXVECTOR3 a(1, 2, 3), b(-4, 5, 0.5f), v;
  ExpectVectorNear(D3DXVECTOR3(2 * 0.5f - 3 * 5, 3 * -4 - 1 * 0.5f, 1 * 5 - 2 * -4), *D3DXVec3Cross(&v, &a, &b));
  EXPECT_FLOAT_EQ(-4 + 10 + 1.5f, D3DXVec3Dot(&a, &b));
  D3DXVECTOR3 c(3, 0, -4);
  EXPECT_FLOAT_EQ(5.0f, D3DXVec3Length(&c));
  ExpectVectorNear(D3DXVECTOR3(0.6f, 0, -0.8f), *D3DXVec3Normalize(&v, &c));
  D3DXVECTOR3 zero(0, 0, 0);
  ExpectVectorNear(zero, *D3DXVec3Normalize(&v, &zero));
  ExpectVectorNear(D3DXVECTOR3(5, -3, 2.5f), a - b + D3DXVECTOR3(0, 0, 0) * 2.0f);
  D3DXMATRIX t, s;
  D3DXMatrixTranslation(&t, 5, -6, 7);
  D3DXMatrixScaling(&s, 2, 3, 4);
  D3DXMATRIX st = s * t;
  ExpectVectorNear(D3DXVECTOR3(7, 0, 19), *D3DXVec3TransformCoord(&v, &a, &st));
  ExpectVectorNear(D3DXVECTOR3(2, 6, 12), *D3DXVec3TransformNormal(&v, &a, &st));  // no translation
  D3DXMATRIX tt;
  D3DXMatrixTranspose(&tt, &t);
  EXPECT_EQ(5.0f, tt._14);
  EXPECT_EQ(0.0f, tt._41);
}

}  // namespace
