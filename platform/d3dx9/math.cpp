// math.cpp -- D3DX matrix and vector helpers, left-handed with row vectors
#include <d3dx9math.h>

#include <cmath>

D3DXMATRIX::D3DXMATRIX(FLOAT f11, FLOAT f12, FLOAT f13, FLOAT f14, FLOAT f21, FLOAT f22, FLOAT f23, FLOAT f24,
                       FLOAT f31, FLOAT f32, FLOAT f33, FLOAT f34, FLOAT f41, FLOAT f42, FLOAT f43, FLOAT f44) {
  _11 = f11; _12 = f12; _13 = f13; _14 = f14;
  _21 = f21; _22 = f22; _23 = f23; _24 = f24;
  _31 = f31; _32 = f32; _33 = f33; _34 = f34;
  _41 = f41; _42 = f42; _43 = f43; _44 = f44;
}

D3DXMATRIX& D3DXMATRIX::operator*=(const D3DXMATRIX& other) {
  D3DXMatrixMultiply(this, this, &other);
  return *this;
}

D3DXMATRIX D3DXMATRIX::operator*(const D3DXMATRIX& other) const {
  D3DXMATRIX out;
  D3DXMatrixMultiply(&out, this, &other);
  return out;
}

bool D3DXMATRIX::operator==(const D3DXMATRIX& other) const {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c)
      if (m[r][c] != other.m[r][c]) return false;
  return true;
}

D3DXMATRIX* WINAPI D3DXMatrixIdentity(D3DXMATRIX* pOut) {
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) pOut->m[r][c] = (r == c) ? 1.0f : 0.0f;
  return pOut;
}

BOOL WINAPI D3DXMatrixIsIdentity(const D3DXMATRIX* pM) {
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  return *pM == identity;
}

D3DXMATRIX* WINAPI D3DXMatrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2) {
  D3DXMATRIX result;  // a temporary, so pOut may be one of the inputs
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) {
      float sum = 0.0f;
      for (int k = 0; k < 4; ++k) sum += pM1->m[r][k] * pM2->m[k][c];
      result.m[r][c] = sum;
    }
  *pOut = result;
  return pOut;
}

namespace {

// The 2 x 2 sub-determinants of the upper row pair (s) and the lower row pair (c) that both the
// determinant and the inverse expand with.
struct RowPairMinors {
  float s0, s1, s2, s3, s4, s5;
  float c0, c1, c2, c3, c4, c5;
  float Determinant() const { return s0 * c5 - s1 * c4 + s2 * c3 + s3 * c2 - s4 * c1 + s5 * c0; }
};

RowPairMinors Minors(const float (*a)[4]) {
  RowPairMinors m;
  m.s0 = a[0][0] * a[1][1] - a[1][0] * a[0][1];
  m.s1 = a[0][0] * a[1][2] - a[1][0] * a[0][2];
  m.s2 = a[0][0] * a[1][3] - a[1][0] * a[0][3];
  m.s3 = a[0][1] * a[1][2] - a[1][1] * a[0][2];
  m.s4 = a[0][1] * a[1][3] - a[1][1] * a[0][3];
  m.s5 = a[0][2] * a[1][3] - a[1][2] * a[0][3];
  m.c5 = a[2][2] * a[3][3] - a[3][2] * a[2][3];
  m.c4 = a[2][1] * a[3][3] - a[3][1] * a[2][3];
  m.c3 = a[2][1] * a[3][2] - a[3][1] * a[2][2];
  m.c2 = a[2][0] * a[3][3] - a[3][0] * a[2][3];
  m.c1 = a[2][0] * a[3][2] - a[3][0] * a[2][2];
  m.c0 = a[2][0] * a[3][1] - a[3][0] * a[2][1];
  return m;
}

}  // namespace

// Cofactor expansion with 2 x 2 sub-determinants of the upper and lower row pairs.
FLOAT WINAPI D3DXMatrixDeterminant(const D3DXMATRIX* pM) {
  return Minors(pM->m).Determinant();
}

D3DXMATRIX* WINAPI D3DXMatrixInverse(D3DXMATRIX* pOut, FLOAT* pDeterminant, const D3DXMATRIX* pM) {
  const float(*a)[4] = pM->m;
  const RowPairMinors m = Minors(a);
  const float s0 = m.s0, s1 = m.s1, s2 = m.s2, s3 = m.s3, s4 = m.s4, s5 = m.s5;
  const float c0 = m.c0, c1 = m.c1, c2 = m.c2, c3 = m.c3, c4 = m.c4, c5 = m.c5;
  float det = m.Determinant();
  if (pDeterminant) *pDeterminant = det;
  if (det == 0.0f || !std::isfinite(det)) return nullptr;
  float k = 1.0f / det;
  D3DXMATRIX b;
  b.m[0][0] = (a[1][1] * c5 - a[1][2] * c4 + a[1][3] * c3) * k;
  b.m[0][1] = (-a[0][1] * c5 + a[0][2] * c4 - a[0][3] * c3) * k;
  b.m[0][2] = (a[3][1] * s5 - a[3][2] * s4 + a[3][3] * s3) * k;
  b.m[0][3] = (-a[2][1] * s5 + a[2][2] * s4 - a[2][3] * s3) * k;
  b.m[1][0] = (-a[1][0] * c5 + a[1][2] * c2 - a[1][3] * c1) * k;
  b.m[1][1] = (a[0][0] * c5 - a[0][2] * c2 + a[0][3] * c1) * k;
  b.m[1][2] = (-a[3][0] * s5 + a[3][2] * s2 - a[3][3] * s1) * k;
  b.m[1][3] = (a[2][0] * s5 - a[2][2] * s2 + a[2][3] * s1) * k;
  b.m[2][0] = (a[1][0] * c4 - a[1][1] * c2 + a[1][3] * c0) * k;
  b.m[2][1] = (-a[0][0] * c4 + a[0][1] * c2 - a[0][3] * c0) * k;
  b.m[2][2] = (a[3][0] * s4 - a[3][1] * s2 + a[3][3] * s0) * k;
  b.m[2][3] = (-a[2][0] * s4 + a[2][1] * s2 - a[2][3] * s0) * k;
  b.m[3][0] = (-a[1][0] * c3 + a[1][1] * c1 - a[1][2] * c0) * k;
  b.m[3][1] = (a[0][0] * c3 - a[0][1] * c1 + a[0][2] * c0) * k;
  b.m[3][2] = (-a[3][0] * s3 + a[3][1] * s1 - a[3][2] * s0) * k;
  b.m[3][3] = (a[2][0] * s3 - a[2][1] * s1 + a[2][2] * s0) * k;
  *pOut = b;
  return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixTranspose(D3DXMATRIX* pOut, const D3DXMATRIX* pM) {
  D3DXMATRIX t;
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 4; ++c) t.m[r][c] = pM->m[c][r];
  *pOut = t;
  return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixTranslation(D3DXMATRIX* pOut, FLOAT x, FLOAT y, FLOAT z) {
  D3DXMatrixIdentity(pOut);
  pOut->_41 = x;
  pOut->_42 = y;
  pOut->_43 = z;
  return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixScaling(D3DXMATRIX* pOut, FLOAT sx, FLOAT sy, FLOAT sz) {
  D3DXMatrixIdentity(pOut);
  pOut->_11 = sx;
  pOut->_22 = sy;
  pOut->_33 = sz;
  return pOut;
}

namespace {

// A rotation by angle in the plane of axes a and b, turning a towards b as the row-vector
// convention does: X is the (y, z) plane, Y the (z, x) plane, Z the (x, y) plane.
D3DXMATRIX* PlaneRotation(D3DXMATRIX* pOut, FLOAT angle, int a, int b) {
  float s = std::sin(angle), c = std::cos(angle);
  D3DXMatrixIdentity(pOut);
  pOut->m[a][a] = c;
  pOut->m[a][b] = s;
  pOut->m[b][a] = -s;
  pOut->m[b][b] = c;
  return pOut;
}

}  // namespace

D3DXMATRIX* WINAPI D3DXMatrixRotationX(D3DXMATRIX* pOut, FLOAT angle) { return PlaneRotation(pOut, angle, 1, 2); }

D3DXMATRIX* WINAPI D3DXMatrixRotationY(D3DXMATRIX* pOut, FLOAT angle) { return PlaneRotation(pOut, angle, 2, 0); }

D3DXMATRIX* WINAPI D3DXMatrixRotationZ(D3DXMATRIX* pOut, FLOAT angle) { return PlaneRotation(pOut, angle, 0, 1); }

D3DXMATRIX* WINAPI D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* pOut, FLOAT yaw, FLOAT pitch, FLOAT roll) {
  D3DXMATRIX rz, rx, ry;
  D3DXMatrixRotationZ(&rz, roll);
  D3DXMatrixRotationX(&rx, pitch);
  D3DXMatrixRotationY(&ry, yaw);
  D3DXMatrixMultiply(pOut, &rz, &rx);
  return D3DXMatrixMultiply(pOut, pOut, &ry);
}

D3DXMATRIX* WINAPI D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pOut, FLOAT fovy, FLOAT aspect, FLOAT zn, FLOAT zf) {
  float yScale = 1.0f / std::tan(fovy / 2.0f);
  float xScale = yScale / aspect;
  D3DXMatrixIdentity(pOut);
  pOut->_11 = xScale;
  pOut->_22 = yScale;
  pOut->_33 = zf / (zf - zn);
  pOut->_34 = 1.0f;
  pOut->_43 = -zn * zf / (zf - zn);
  pOut->_44 = 0.0f;
  return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixOrthoOffCenterLH(D3DXMATRIX* pOut, FLOAT l, FLOAT r, FLOAT b, FLOAT t, FLOAT zn,
                                              FLOAT zf) {
  D3DXMatrixIdentity(pOut);
  pOut->_11 = 2.0f / (r - l);
  pOut->_22 = 2.0f / (t - b);
  pOut->_33 = 1.0f / (zf - zn);
  pOut->_41 = (l + r) / (l - r);
  pOut->_42 = (t + b) / (b - t);
  pOut->_43 = zn / (zn - zf);
  return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixLookAtLH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3* pAt,
                                      const D3DXVECTOR3* pUp) {
  D3DXVECTOR3 zaxis = *pAt - *pEye, xaxis, yaxis;
  D3DXVec3Normalize(&zaxis, &zaxis);
  D3DXVec3Cross(&xaxis, pUp, &zaxis);
  D3DXVec3Normalize(&xaxis, &xaxis);
  D3DXVec3Cross(&yaxis, &zaxis, &xaxis);
  *pOut = D3DXMATRIX(xaxis.x, yaxis.x, zaxis.x, 0.0f,
                     xaxis.y, yaxis.y, zaxis.y, 0.0f,
                     xaxis.z, yaxis.z, zaxis.z, 0.0f,
                     -D3DXVec3Dot(&xaxis, pEye), -D3DXVec3Dot(&yaxis, pEye), -D3DXVec3Dot(&zaxis, pEye), 1.0f);
  return pOut;
}

// A zero vector normalizes to zero, as D3DX's does, instead of to NaNs.
D3DXVECTOR3* WINAPI D3DXVec3Normalize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV) {
  float length = D3DXVec3Length(pV);
  if (length == 0.0f) {
    *pOut = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
  } else {
    *pOut = *pV / length;
  }
  return pOut;
}

D3DXVECTOR3* WINAPI D3DXVec3Cross(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2) {
  D3DXVECTOR3 c(pV1->y * pV2->z - pV1->z * pV2->y, pV1->z * pV2->x - pV1->x * pV2->z,
                pV1->x * pV2->y - pV1->y * pV2->x);
  *pOut = c;
  return pOut;
}

FLOAT WINAPI D3DXVec3Dot(const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2) {
  return pV1->x * pV2->x + pV1->y * pV2->y + pV1->z * pV2->z;
}

FLOAT WINAPI D3DXVec3Length(const D3DXVECTOR3* pV) { return std::sqrt(D3DXVec3Dot(pV, pV)); }

D3DXVECTOR4* WINAPI D3DXVec3Transform(D3DXVECTOR4* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM) {
  const float(*m)[4] = pM->m;
  D3DXVECTOR4 r(pV->x * m[0][0] + pV->y * m[1][0] + pV->z * m[2][0] + m[3][0],
                pV->x * m[0][1] + pV->y * m[1][1] + pV->z * m[2][1] + m[3][1],
                pV->x * m[0][2] + pV->y * m[1][2] + pV->z * m[2][2] + m[3][2],
                pV->x * m[0][3] + pV->y * m[1][3] + pV->z * m[2][3] + m[3][3]);
  *pOut = r;
  return pOut;
}

D3DXVECTOR3* WINAPI D3DXVec3TransformCoord(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM) {
  D3DXVECTOR4 r;
  D3DXVec3Transform(&r, pV, pM);
  float w = (r.w != 0.0f) ? r.w : 1.0f;  // D3DX divides by w; a zero w would give infinities
  *pOut = D3DXVECTOR3(r.x / w, r.y / w, r.z / w);
  return pOut;
}

D3DXVECTOR3* WINAPI D3DXVec3TransformNormal(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM) {
  const float(*m)[4] = pM->m;
  D3DXVECTOR3 r(pV->x * m[0][0] + pV->y * m[1][0] + pV->z * m[2][0],
                pV->x * m[0][1] + pV->y * m[1][1] + pV->z * m[2][1],
                pV->x * m[0][2] + pV->y * m[1][2] + pV->z * m[2][2]);
  *pOut = r;
  return pOut;
}
