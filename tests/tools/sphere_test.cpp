// sphere_test.cpp -- the sphere mesh: closed, on the unit sphere, clockwise from outside, within
// 16-bit indices, and loaded from the committed .x file by D3DXLoadMeshFromXA as the demo loads it
#include <d3dx9.h>
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <string>
#include <utility>

#include "tests/support/picture.h"
#include "tools/media/sphere.h"

namespace {

using media::Vec3;

TEST(Sphere, SubdivisionCountsMatchTheTetrahedronSeries) {
  struct Case {
    int divisions;
    size_t vertices, faces;
  } cases[] = {{0, 4, 4}, {1, 10, 16}, {2, 34, 64}, {6, 8194, 16384}};
  for (const Case& c : cases) {
    media::SphereMesh mesh = media::SubdividedSphere(c.divisions);
    EXPECT_EQ(c.vertices, mesh.positions.size()) << c.divisions;
    EXPECT_EQ(c.faces * 3, mesh.faces.size()) << c.divisions;
  }
}

// Every edge is shared by exactly two faces running it in opposite directions (a closed surface
// with consistent winding), and each face turns clockwise seen from outside.
TEST(Sphere, IsClosedOnTheUnitSphereAndClockwiseFromOutside) {
  media::SphereMesh mesh = media::SubdividedSphere(6);
  for (const Vec3& p : mesh.positions) ASSERT_NEAR(1.0f, Length(p), 1e-5f);
  std::map<std::pair<uint32_t, uint32_t>, int> edges;
  int inward = 0;
  for (size_t f = 0; f < mesh.faces.size(); f += 3) {
    const uint32_t* t = &mesh.faces[f];
    Vec3 a = mesh.positions[t[0]], b = mesh.positions[t[1]], c = mesh.positions[t[2]];
    inward += Dot(Cross(b - a, c - a), a + b + c) <= 0;
    for (int k = 0; k < 3; ++k) ++edges[{t[k], t[(k + 1) % 3]}];
  }
  EXPECT_EQ(0, inward);
  for (const auto& [edge, count] : edges) {
    ASSERT_EQ(1, count) << edge.first << "-" << edge.second << " is run twice the same way";
    ASSERT_EQ(1u, edges.count({edge.second, edge.first})) << edge.first << "-" << edge.second << " is open";
  }
}

TEST(Sphere, CommittedFileLoadsThroughD3DX) {
  testsupport::TestDevice dev;
  ASSERT_TRUE(testsupport::CreateTestDevice(&dev, 64, 64)) << dev.error;
  std::string file = std::string(QOLA_SOURCE_DIR) + "/demo/media/sphere6divs.x";
  ID3DXMesh* loaded = nullptr;
  ASSERT_EQ(D3D_OK, D3DXLoadMeshFromXA(file.c_str(), D3DXMESH_SYSTEMMEM, dev.device, nullptr, nullptr, nullptr, nullptr,
                                       &loaded));
  // The loader may give each face corner a vertex of its own; the faces are the file's.
  EXPECT_LE(8194u, loaded->GetNumVertices());
  EXPECT_EQ(16384u, loaded->GetNumFaces());
  // The loaded faces keep the file's winding: clockwise seen from outside.
  BYTE* vertices = nullptr;
  WORD* indices = nullptr;
  ASSERT_EQ(D3D_OK, loaded->LockVertexBuffer(0, reinterpret_cast<void**>(&vertices)));
  ASSERT_EQ(D3D_OK, loaded->LockIndexBuffer(0, reinterpret_cast<void**>(&indices)));
  DWORD stride = loaded->GetNumBytesPerVertex();
  auto at = [&](WORD i) {
    const float* p = reinterpret_cast<const float*>(vertices + static_cast<size_t>(i) * stride);
    return Vec3{p[0], p[1], p[2]};
  };
  // The demo's radius, which the distortion effect's framing relies on.
  for (WORD i = 0; i < 64; ++i) EXPECT_NEAR(media::kDemoSphereRadius, Length(at(i)), 1e-4f);
  int inward = 0;
  for (DWORD f = 0; f < loaded->GetNumFaces(); ++f) {
    Vec3 a = at(indices[3 * f]), b = at(indices[3 * f + 1]), c = at(indices[3 * f + 2]);
    inward += Dot(Cross(b - a, c - a), a + b + c) <= 0;
  }
  loaded->UnlockIndexBuffer();
  loaded->UnlockVertexBuffer();
  EXPECT_EQ(0, inward);
  ID3DXMesh* positions = nullptr;
  EXPECT_EQ(D3D_OK, loaded->CloneMeshFVF(D3DXMESH_WRITEONLY, D3DFVF_XYZ, dev.device, &positions));
  if (positions) positions->Release();
  loaded->Release();
}

}  // namespace
