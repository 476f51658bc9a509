// d3dx9math.h -- D3DX matrices and vectors: left-handed coordinates, row vectors (v * M)
//
// Implemented in platform/d3dx9/math.cpp, each as D3DX defines it: matrix identity, multiply,
// inverse (with determinant), transpose, translation, scaling, rotation about X/Y/Z and by yaw,
// pitch and roll, perspective (field of view) and orthographic (off-centre) projections, look-at;
// vector normalize, cross, dot, length, transform as a point (with w divide) and as a normal.
// Every function returns its output pointer, so calls nest as they do with D3DX.
#pragma once

#include <d3d9.h>

#ifndef D3DX_PI
#define D3DX_PI ((FLOAT)3.141592654f)
#endif

struct D3DXVECTOR2 {
  D3DXVECTOR2() = default;
  D3DXVECTOR2(FLOAT x_, FLOAT y_) : x(x_), y(y_) {}
  FLOAT x, y;
};

struct D3DXVECTOR3 : public D3DVECTOR {
  D3DXVECTOR3() = default;
  D3DXVECTOR3(FLOAT x_, FLOAT y_, FLOAT z_) { x = x_; y = y_; z = z_; }
  D3DXVECTOR3(const D3DVECTOR& v) : D3DVECTOR(v) {}

  D3DXVECTOR3& operator+=(const D3DXVECTOR3& v) { x += v.x; y += v.y; z += v.z; return *this; }
  D3DXVECTOR3& operator-=(const D3DXVECTOR3& v) { x -= v.x; y -= v.y; z -= v.z; return *this; }
  D3DXVECTOR3& operator*=(FLOAT s) { x *= s; y *= s; z *= s; return *this; }
  D3DXVECTOR3 operator+(const D3DXVECTOR3& v) const { return D3DXVECTOR3(x + v.x, y + v.y, z + v.z); }
  D3DXVECTOR3 operator-(const D3DXVECTOR3& v) const { return D3DXVECTOR3(x - v.x, y - v.y, z - v.z); }
  D3DXVECTOR3 operator-() const { return D3DXVECTOR3(-x, -y, -z); }
  D3DXVECTOR3 operator*(FLOAT s) const { return D3DXVECTOR3(x * s, y * s, z * s); }
  D3DXVECTOR3 operator/(FLOAT s) const { return D3DXVECTOR3(x / s, y / s, z / s); }
  bool operator==(const D3DXVECTOR3& v) const { return x == v.x && y == v.y && z == v.z; }
  bool operator!=(const D3DXVECTOR3& v) const { return !(*this == v); }
  operator FLOAT*() { return &x; }
  operator const FLOAT*() const { return &x; }
};
inline D3DXVECTOR3 operator*(FLOAT s, const D3DXVECTOR3& v) { return v * s; }

struct D3DXVECTOR4 {
  D3DXVECTOR4() = default;
  D3DXVECTOR4(FLOAT x_, FLOAT y_, FLOAT z_, FLOAT w_) : x(x_), y(y_), z(z_), w(w_) {}
  operator FLOAT*() { return &x; }
  operator const FLOAT*() const { return &x; }
  FLOAT x, y, z, w;
};

struct D3DXMATRIX : public D3DMATRIX {
  D3DXMATRIX() = default;
  D3DXMATRIX(const D3DMATRIX& m_) : D3DMATRIX(m_) {}
  D3DXMATRIX(FLOAT f11, FLOAT f12, FLOAT f13, FLOAT f14, FLOAT f21, FLOAT f22, FLOAT f23, FLOAT f24,
             FLOAT f31, FLOAT f32, FLOAT f33, FLOAT f34, FLOAT f41, FLOAT f42, FLOAT f43, FLOAT f44);

  FLOAT& operator()(UINT row, UINT col) { return m[row][col]; }
  FLOAT operator()(UINT row, UINT col) const { return m[row][col]; }
  operator FLOAT*() { return &_11; }
  operator const FLOAT*() const { return &_11; }

  D3DXMATRIX& operator*=(const D3DXMATRIX& other);
  D3DXMATRIX operator*(const D3DXMATRIX& other) const;
  bool operator==(const D3DXMATRIX& other) const;
  bool operator!=(const D3DXMATRIX& other) const { return !(*this == other); }
};

D3DXMATRIX* WINAPI D3DXMatrixIdentity(D3DXMATRIX* pOut);
BOOL WINAPI D3DXMatrixIsIdentity(const D3DXMATRIX* pM);
// pOut = pM1 * pM2 (pM1 applies first to a row vector); pOut may alias either input.
D3DXMATRIX* WINAPI D3DXMatrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2);
// Null (pOut untouched) when the matrix is singular; pDeterminant may be null.
D3DXMATRIX* WINAPI D3DXMatrixInverse(D3DXMATRIX* pOut, FLOAT* pDeterminant, const D3DXMATRIX* pM);
FLOAT WINAPI D3DXMatrixDeterminant(const D3DXMATRIX* pM);
D3DXMATRIX* WINAPI D3DXMatrixTranspose(D3DXMATRIX* pOut, const D3DXMATRIX* pM);
D3DXMATRIX* WINAPI D3DXMatrixTranslation(D3DXMATRIX* pOut, FLOAT x, FLOAT y, FLOAT z);
D3DXMATRIX* WINAPI D3DXMatrixScaling(D3DXMATRIX* pOut, FLOAT sx, FLOAT sy, FLOAT sz);
D3DXMATRIX* WINAPI D3DXMatrixRotationX(D3DXMATRIX* pOut, FLOAT angle);
D3DXMATRIX* WINAPI D3DXMatrixRotationY(D3DXMATRIX* pOut, FLOAT angle);
D3DXMATRIX* WINAPI D3DXMatrixRotationZ(D3DXMATRIX* pOut, FLOAT angle);
// Roll about Z first, then pitch about X, then yaw about Y: R = Rz(roll) * Rx(pitch) * Ry(yaw).
D3DXMATRIX* WINAPI D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* pOut, FLOAT yaw, FLOAT pitch, FLOAT roll);
D3DXMATRIX* WINAPI D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pOut, FLOAT fovy, FLOAT aspect, FLOAT zn, FLOAT zf);
D3DXMATRIX* WINAPI D3DXMatrixOrthoOffCenterLH(D3DXMATRIX* pOut, FLOAT l, FLOAT r, FLOAT b, FLOAT t, FLOAT zn,
                                              FLOAT zf);
D3DXMATRIX* WINAPI D3DXMatrixLookAtLH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3* pAt,
                                      const D3DXVECTOR3* pUp);

D3DXVECTOR3* WINAPI D3DXVec3Normalize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV);
D3DXVECTOR3* WINAPI D3DXVec3Cross(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2);
FLOAT WINAPI D3DXVec3Dot(const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2);
FLOAT WINAPI D3DXVec3Length(const D3DXVECTOR3* pV);
// (x, y, z, 1) * M, divided by its w.
D3DXVECTOR3* WINAPI D3DXVec3TransformCoord(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM);
// (x, y, z, 0) * M: the upper 3 x 3 only.
D3DXVECTOR3* WINAPI D3DXVec3TransformNormal(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM);
D3DXVECTOR4* WINAPI D3DXVec3Transform(D3DXVECTOR4* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM);
