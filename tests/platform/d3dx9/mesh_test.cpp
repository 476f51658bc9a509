// mesh_test.cpp -- meshes: attribute sort and subsets (read back), adjacency, normals, .x load and clone
#include <d3dx9.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/support/picture.h"

namespace {

struct Vertex {
  float x, y, z, nx, ny, nz, u, v;
};
const DWORD kFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;

class MeshTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(testsupport::CreateTestDevice(&dev_, 64, 64)) << dev_.error;
    ID3DXBuffer* errors = nullptr;
    std::string file = std::string(QOLA_SOURCE_DIR) + "/tests/data/fx/solid.fx";
    ASSERT_EQ(D3D_OK, D3DXCreateEffectFromFileA(dev_.device, file.c_str(), nullptr, nullptr, 0, nullptr, &effect_,
                                                &errors))
        << (errors ? static_cast<const char*>(errors->GetBufferPointer()) : "");
  }
  void TearDown() override {
    if (effect_) effect_->Release();
  }

  // Draws subset `attribute` of mesh in white with `matrix` on black; returns the picture.
  testsupport::Picture Draw(ID3DXMesh* mesh, DWORD attribute, const D3DXMATRIX& matrix) {
    IDirect3DDevice9* d = dev_.device;
    d->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(0, 0, 0), 1.0f, 0);
    d->BeginScene();
    effect_->SetMatrix("Matrix", &matrix);
    UINT passes = 0;
    effect_->Begin(&passes, 0);
    effect_->BeginPass(0);
    EXPECT_EQ(D3D_OK, mesh->DrawSubset(attribute));
    effect_->EndPass();
    effect_->End();
    d->EndScene();
    testsupport::Picture picture;
    EXPECT_TRUE(testsupport::ReadBackBuffer(d, &picture));
    return picture;
  }

  testsupport::TestDevice dev_;
  ID3DXEffect* effect_ = nullptr;
};

// Pixels 0..64 map to the box of an orthographic projection, row 0 at the top.
D3DXMATRIX PixelProjection() {
  D3DXMATRIX m;
  return *D3DXMatrixOrthoOffCenterLH(&m, 0, 64, 64, 0, 0, 1);
}

TEST_F(MeshTest, AttributeSortMakesEachSubsetDrawExactlyItsFaces) {
  // Four 32 x 32 quadrants, two faces each, attributes interleaved in face order:
  // top-left 1, top-right 0, bottom-left 0, bottom-right 1.
  ID3DXMesh* mesh = nullptr;
  ASSERT_EQ(D3D_OK, D3DXCreateMeshFVF(8, 16, D3DXMESH_SYSTEMMEM, kFvf, dev_.device, &mesh));
  Vertex* v = nullptr;
  WORD* index = nullptr;
  DWORD* attribute = nullptr;
  ASSERT_EQ(D3D_OK, mesh->LockVertexBuffer(0, reinterpret_cast<void**>(&v)));
  ASSERT_EQ(D3D_OK, mesh->LockIndexBuffer(0, reinterpret_cast<void**>(&index)));
  ASSERT_EQ(D3D_OK, mesh->LockAttributeBuffer(0, &attribute));
  const DWORD groups[4] = {1, 0, 0, 1};
  for (int q = 0; q < 4; ++q) {
    float x0 = (q % 2) * 32.0f, y0 = (q / 2) * 32.0f;
    float xs[4] = {x0, x0 + 32, x0, x0 + 32}, ys[4] = {y0, y0, y0 + 32, y0 + 32};
    for (int k = 0; k < 4; ++k) v[q * 4 + k] = Vertex{xs[k], ys[k], 0.5f, 0, 0, -1, 0, 0};
    const WORD quad[6] = {0, 1, 2, 2, 1, 3};
    for (int k = 0; k < 6; ++k) index[q * 6 + k] = static_cast<WORD>(q * 4 + quad[k]);
    attribute[q * 2] = attribute[q * 2 + 1] = groups[q];
  }
  mesh->UnlockVertexBuffer();
  mesh->UnlockIndexBuffer();
  mesh->UnlockAttributeBuffer();

  std::vector<DWORD> adjacency(8 * 3);
  ASSERT_EQ(D3D_OK, mesh->GenerateAdjacency(0.0f, adjacency.data()));
  ASSERT_EQ(D3D_OK, mesh->OptimizeInplace(D3DXMESHOPT_ATTRSORT, adjacency.data(), nullptr, nullptr, nullptr));

  D3DXATTRIBUTERANGE table[4];
  DWORD size = 0;
  mesh->GetAttributeTable(nullptr, &size);
  ASSERT_EQ(2u, size);
  mesh->GetAttributeTable(table, &size);
  EXPECT_EQ(0u, table[0].AttribId);
  EXPECT_EQ(0u, table[0].FaceStart);
  EXPECT_EQ(4u, table[0].FaceCount);
  EXPECT_EQ(1u, table[1].AttribId);
  EXPECT_EQ(4u, table[1].FaceStart);
  EXPECT_EQ(4u, table[1].FaceCount);

  struct Expect {
    DWORD subset;
    bool lit[4];  // top-left, top-right, bottom-left, bottom-right
  } expects[] = {{0, {false, true, true, false}}, {1, {true, false, false, true}}, {2, {false, false, false, false}}};
  for (const Expect& e : expects) {
    testsupport::Picture picture = Draw(mesh, e.subset, PixelProjection());
    for (int q = 0; q < 4; ++q) {
      int x0 = (q % 2) * 32 + 4, y0 = (q / 2) * 32 + 4;
      auto c = testsupport::AverageColor(picture, x0, y0, x0 + 24, y0 + 24);
      D3DCOLOR want = e.lit[q] ? D3DCOLOR_XRGB(255, 255, 255) : D3DCOLOR_XRGB(0, 0, 0);
      EXPECT_TRUE(testsupport::Near(c, want, 3)) << "subset " << e.subset << " quadrant " << q << ": "
                                                 << testsupport::Describe(c);
    }
  }
  // The faces run clockwise on screen (top-left, top-right, bottom-left), the winding the cube
  // below uses for its outside: with counter-clockwise culling they are still drawn.
  ASSERT_EQ(D3D_OK, effect_->SetTechnique("SolidCulled"));
  testsupport::Picture culled = Draw(mesh, 0, PixelProjection());
  auto c = testsupport::AverageColor(culled, 36, 4, 60, 28);
  EXPECT_TRUE(testsupport::Near(c, D3DCOLOR_XRGB(255, 255, 255), 3)) << testsupport::Describe(c);
  mesh->Release();
}

TEST_F(MeshTest, AdjacencyMatchesEdgesByPositionAcrossSplitVertices) {
  // Two triangles sharing the edge (1,0)-(0,1), each with vertices of its own; a third far away.
  ID3DXMesh* mesh = nullptr;
  ASSERT_EQ(D3D_OK, D3DXCreateMeshFVF(3, 9, D3DXMESH_SYSTEMMEM, kFvf, dev_.device, &mesh));
  Vertex* v = nullptr;
  WORD* index = nullptr;
  mesh->LockVertexBuffer(0, reinterpret_cast<void**>(&v));
  mesh->LockIndexBuffer(0, reinterpret_cast<void**>(&index));
  const float p[9][2] = {{0, 0}, {0, 1}, {1, 0}, {1, 0}, {0, 1.00001f}, {1, 1}, {5, 5}, {5, 6}, {6, 5}};
  for (int i = 0; i < 9; ++i) v[i] = Vertex{p[i][0], p[i][1], 0, 0, 0, 0, 0, 0};
  for (WORD i = 0; i < 9; ++i) index[i] = i;
  mesh->UnlockVertexBuffer();
  mesh->UnlockIndexBuffer();
  const DWORD none = 0xffffffff;
  struct Case {
    float epsilon;
    DWORD expected[9];
  } cases[] = {
      {0.001f, {none, 1, none, 0, none, none, none, none, none}},  // edge 1-2 of face 0 is edge 0-1 of face 1
      {0.0f, {none, none, none, none, none, none, none, none, none}},  // 1.00001 is not 1 without epsilon
  };
  for (const Case& c : cases) {
    std::vector<DWORD> adjacency(9, 7);
    ASSERT_EQ(D3D_OK, mesh->GenerateAdjacency(c.epsilon, adjacency.data()));
    for (int i = 0; i < 9; ++i) EXPECT_EQ(c.expected[i], adjacency[i]) << "epsilon " << c.epsilon << " entry " << i;
  }
  mesh->Release();
}

TEST_F(MeshTest, ComputedNormalsOfACubePointOutward) {
  // Six faces of four vertices each, clockwise seen from outside (Direct3D's front faces).
  ID3DXMesh* mesh = nullptr;
  ASSERT_EQ(D3D_OK, D3DXCreateMeshFVF(12, 24, D3DXMESH_SYSTEMMEM, kFvf, dev_.device, &mesh));
  Vertex* v = nullptr;
  WORD* index = nullptr;
  mesh->LockVertexBuffer(0, reinterpret_cast<void**>(&v));
  mesh->LockIndexBuffer(0, reinterpret_cast<void**>(&index));
  // For each face: its centre direction n and two axes a, b; corners n + sa*a + sb*b.
  const D3DXVECTOR3 axes[6][3] = {
      {{0, 0, -1}, {1, 0, 0}, {0, 1, 0}}, {{0, 0, 1}, {-1, 0, 0}, {0, 1, 0}}, {{1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
      {{-1, 0, 0}, {0, 0, -1}, {0, 1, 0}}, {{0, 1, 0}, {1, 0, 0}, {0, 0, 1}}, {{0, -1, 0}, {1, 0, 0}, {0, 0, -1}},
  };
  for (int f = 0; f < 6; ++f) {
    const float corners[4][2] = {{-1, 1}, {1, 1}, {-1, -1}, {1, -1}};  // top-left, top-right, ...
    for (int k = 0; k < 4; ++k) {
      D3DXVECTOR3 p = axes[f][0] + axes[f][1] * corners[k][0] + axes[f][2] * corners[k][1];
      v[f * 4 + k] = Vertex{p.x, p.y, p.z, 0, 0, 0, 0, 0};
    }
    // Seen from outside with b up and a right: top-left, top-right, bottom-left is clockwise.
    const WORD quad[6] = {0, 1, 2, 2, 1, 3};
    for (int k = 0; k < 6; ++k) index[f * 6 + k] = static_cast<WORD>(f * 4 + quad[k]);
  }
  mesh->UnlockVertexBuffer();
  mesh->UnlockIndexBuffer();
  ASSERT_EQ(D3D_OK, D3DXComputeNormals(mesh, nullptr));
  mesh->LockVertexBuffer(0, reinterpret_cast<void**>(&v));
  for (int i = 0; i < 24; ++i) {
    D3DXVECTOR3 n(v[i].nx, v[i].ny, v[i].nz), face = axes[i / 4][0];
    EXPECT_NEAR(1.0f, D3DXVec3Dot(&n, &face), 1e-5f) << "vertex " << i;
  }
  mesh->UnlockVertexBuffer();
  mesh->Release();

  ID3DXMesh* positionsOnly = nullptr;
  ASSERT_EQ(D3D_OK, D3DXCreateMeshFVF(1, 3, D3DXMESH_SYSTEMMEM, D3DFVF_XYZ, dev_.device, &positionsOnly));
  EXPECT_EQ(D3DERR_INVALIDCALL, D3DXComputeNormals(positionsOnly, nullptr));  // nowhere to put them
  positionsOnly->Release();
}

TEST_F(MeshTest, RefusedCreations) {
  struct Case {
    DWORD faces, vertices, options, fvf;
  } cases[] = {
      {0, 3, D3DXMESH_SYSTEMMEM, kFvf},                         // no faces
      {1, 0, D3DXMESH_SYSTEMMEM, kFvf},                         // no vertices
      {1, 70000, D3DXMESH_SYSTEMMEM, kFvf},                     // past 16-bit indices
      {1, 3, D3DXMESH_SYSTEMMEM | D3DXMESH_32BIT, kFvf},        // 32-bit indices
      {1, 3, D3DXMESH_SYSTEMMEM, D3DFVF_XYZRHW},                // not a supported format
      {1, 3, D3DXMESH_SYSTEMMEM, D3DFVF_XYZ | D3DFVF_TEX2},     // two texture sets
  };
  for (const Case& c : cases) {
    ID3DXMesh* mesh = reinterpret_cast<ID3DXMesh*>(1);
    EXPECT_EQ(D3DERR_INVALIDCALL, D3DXCreateMeshFVF(c.faces, c.vertices, c.options, c.fvf, dev_.device, &mesh));
    EXPECT_EQ(nullptr, mesh);
  }
}

TEST_F(MeshTest, SphereFromXClonesToPositionsOnlyAndDraws) {
  std::string file = std::string(QOLA_SOURCE_DIR) + "/tests/data/x/sphere.x";
  ID3DXMesh* loaded = nullptr;
  ASSERT_EQ(D3D_OK, D3DXLoadMeshFromXA(file.c_str(), D3DXMESH_SYSTEMMEM, dev_.device, nullptr, nullptr, nullptr,
                                       nullptr, &loaded));
  EXPECT_EQ(80u, loaded->GetNumFaces());
  ID3DXMesh* sphere = nullptr;
  ASSERT_EQ(D3D_OK, loaded->CloneMeshFVF(D3DXMESH_WRITEONLY, D3DFVF_XYZ, dev_.device, &sphere));
  loaded->Release();
  EXPECT_EQ(static_cast<DWORD>(D3DFVF_XYZ), sphere->GetFVF());
  EXPECT_EQ(12u, sphere->GetNumBytesPerVertex());
  EXPECT_EQ(80u, sphere->GetNumFaces());

  // Unit sphere 3 units ahead: its outline is a disc in the middle of the picture.
  D3DXMATRIX world, projection, matrix;
  D3DXMatrixTranslation(&world, 0, 0, 3);
  D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 4, 1.0f, 0.1f, 100.0f);
  D3DXMatrixMultiply(&matrix, &world, &projection);
  testsupport::Picture picture = Draw(sphere, 0, matrix);
  auto centre = testsupport::AverageColor(picture, 26, 26, 38, 38);
  auto corner = testsupport::AverageColor(picture, 0, 0, 8, 8);
  EXPECT_TRUE(testsupport::Near(centre, D3DCOLOR_XRGB(255, 255, 255), 3)) << testsupport::Describe(centre);
  EXPECT_TRUE(testsupport::Near(corner, D3DCOLOR_XRGB(0, 0, 0), 3)) << testsupport::Describe(corner);
  sphere->Release();

  ID3DXMesh* missing = reinterpret_cast<ID3DXMesh*>(1);
  EXPECT_EQ(D3DERR_NOTFOUND, D3DXLoadMeshFromXA("no/such.x", D3DXMESH_SYSTEMMEM, dev_.device, nullptr, nullptr,
                                                nullptr, nullptr, &missing));
  EXPECT_EQ(nullptr, missing);
}

// A .x file is left-handed with clockwise front faces, as Direct3D draws: loading keeps its
// positions and its winding, so a triangle wound clockwise on screen survives CCW culling and
// the same triangle wound the other way is culled.
TEST_F(MeshTest, XFileKeepsPositionsAndWinding) {
  struct Case {
    const char* name;
    const char* face;
    int corners[3];  // the file's vertices of the face, in its order
    bool drawn;
  } cases[] = {
      {"clockwise", "3;0,1,2;;", {0, 1, 2}, true},
      {"counter-clockwise", "3;0,2,1;;", {0, 2, 1}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string file = testing::TempDir() + "qola_winding.x";
    FILE* f = fopen(file.c_str(), "w");
    ASSERT_NE(nullptr, f);
    // Pixel coordinates of the orthographic projection: (8,56) bottom left, (8,8) top left,
    // (56,56) bottom right.
    fprintf(f, "xof 0303txt 0032\nMesh Triangle {\n 3;\n 8.0;56.0;0.5;,\n 8.0;8.0;0.5;,\n 56.0;56.0;0.5;;\n"
               " 1;\n %s\n}\n", c.face);
    fclose(f);
    ID3DXMesh* mesh = nullptr;
    ASSERT_EQ(D3D_OK, D3DXLoadMeshFromXA(file.c_str(), D3DXMESH_SYSTEMMEM, dev_.device, nullptr, nullptr, nullptr,
                                         nullptr, &mesh));
    ASSERT_EQ(1u, mesh->GetNumFaces());
    ASSERT_EQ(3u, mesh->GetNumVertices());
    // Corner by corner, the face's positions are the file's, in the file's order.
    float* positions = nullptr;
    WORD* indices = nullptr;
    ASSERT_EQ(D3D_OK, mesh->LockVertexBuffer(D3DLOCK_READONLY, reinterpret_cast<void**>(&positions)));
    ASSERT_EQ(D3D_OK, mesh->LockIndexBuffer(D3DLOCK_READONLY, reinterpret_cast<void**>(&indices)));
    const DWORD stride = mesh->GetNumBytesPerVertex() / sizeof(float);
    const float file_positions[3][3] = {{8, 56, 0.5f}, {8, 8, 0.5f}, {56, 56, 0.5f}};
    for (int corner = 0; corner < 3; ++corner) {
      ASSERT_LT(indices[corner], 3);
      for (int k = 0; k < 3; ++k)
        EXPECT_FLOAT_EQ(file_positions[c.corners[corner]][k], positions[indices[corner] * stride + k])
            << "corner " << corner << " axis " << k;
    }
    mesh->UnlockIndexBuffer();
    mesh->UnlockVertexBuffer();

    effect_->SetTechnique("SolidCulled");
    D3DXMATRIX projection = PixelProjection();
    testsupport::Picture picture = Draw(mesh, 0, projection);
    auto inside = testsupport::AverageColor(picture, 12, 36, 24, 48);
    D3DCOLOR expected = c.drawn ? D3DCOLOR_XRGB(255, 255, 255) : D3DCOLOR_XRGB(0, 0, 0);
    EXPECT_TRUE(testsupport::Near(inside, expected, 3)) << testsupport::Describe(inside);
    mesh->Release();
    remove(file.c_str());
  }
}

}  // namespace
