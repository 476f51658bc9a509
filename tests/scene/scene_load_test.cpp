// scene_load_test.cpp -- scenes written by the 3DS writer, loaded: coordinate rules, subsets,
// lookups, refused files and meshes that cannot be built
#include <array>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "src/import3ds/records3ds.h"
#include "src/device/effect.h"
#include "tests/scene/scene_fixture.h"

namespace {

using write3ds::Writer3DS;

struct MeshSpec {
  std::string name;
  std::vector<std::array<float, 3>> vertices;  // as the file holds them
  std::vector<std::array<uint16_t, 3>> faces;  // as the file holds them
  std::vector<std::pair<std::string, std::vector<uint16_t>>> groups;
  bool mapCoords = true;
  std::array<float, 3> origin = {0, 0, 0};
};

void WriteMesh(Writer3DS& w, const MeshSpec& m) {
  w.Begin(0x4000).Text(m.name).Begin(0x4100);
  if (!m.vertices.empty()) {
    w.Begin(0x4110).U16(static_cast<uint16_t>(m.vertices.size()));
    for (const auto& v : m.vertices) w.Floats({v[0], v[1], v[2]});
    w.End();
  }
  if (m.mapCoords && !m.vertices.empty()) {
    w.Begin(0x4140).U16(static_cast<uint16_t>(m.vertices.size()));
    for (size_t i = 0; i < m.vertices.size(); ++i) w.Floats({0.25f * static_cast<float>(i), 0.5f});
    w.End();
  }
  if (!m.faces.empty()) {
    w.Begin(0x4120).U16(static_cast<uint16_t>(m.faces.size()));
    for (const auto& f : m.faces) w.U16s({f[0], f[1], f[2], 0});
    for (const auto& g : m.groups) {
      w.Begin(0x4130).Text(g.first).U16(static_cast<uint16_t>(g.second.size()));
      for (uint16_t f : g.second) w.U16(f);
      w.End();
    }
    w.End();
  }
  w.Begin(0x4160).Floats({1, 0, 0, 0, 1, 0, 0, 0, 1, m.origin[0], m.origin[1], m.origin[2]}).End();
  w.End().End();
}

void WriteMaterial(Writer3DS& w, const std::string& name, const char* map) {
  w.Begin(0xAFFF).Begin(0xA000).Text(name).End();
  w.Begin(0xA020).ByteColour(255, 0, 0).End();
  if (map) w.Begin(0xA200).Begin(0xA300).Text(map).End().End();
  w.End();
}

void WriteCameraNode(Writer3DS& w, const std::string& name, uint32_t frame, float x, float y, float z) {
  w.Begin(0xB003).Begin(0xB010).Text(name).U16s({0, 0, 0xFFFF}).End();
  w.Begin(0xB020).TrackHeader(0, 1).Key(frame, 0, {x, y, z}).End();
  w.End();
}

MeshSpec Triangle(const std::string& name, const std::string& material) {
  return MeshSpec{name, {{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}, {{0, 1, 2}}, {{material, {0}}}, true, {0, 0, 0}};
}

// A scene of the given meshes under materials "Red" (mapped) and "Plain" (no map).
std::vector<uint8_t> MeshScene(const std::vector<MeshSpec>& meshes) {
  Writer3DS w;
  w.Begin(0x4D4D).Begin(0x3D3D);
  WriteMaterial(w, "Red", "checker.png");
  WriteMaterial(w, "Plain", nullptr);
  for (const MeshSpec& m : meshes) WriteMesh(w, m);
  w.End().End();
  return w.Data();
}

struct Vertex {
  float position[3], normal[3], uv[2];
};

TEST_F(SceneTest, CoordinateRulesDifferForVerticesStaticRecordsTranslationsAndKeys) {
  MeshSpec mesh = Triangle("Tri", "Red");
  mesh.origin = {1, 2, 3};
  Writer3DS w;
  w.Begin(0x4D4D).Begin(0x3D3D);
  WriteMaterial(w, "Red", "checker.png");
  WriteMesh(w, mesh);
  w.Begin(0x4000).Text("Cam").Begin(0x4700).Floats({1, 2, 3, 4, 5, 6, 7, 50}).End().End();
  w.Begin(0x4000).Text("Spot").Begin(0x4600).Floats({1, 2, 3}).ByteColour(255, 255, 255);
  w.Begin(0x4610).Floats({4, 5, 6, 40, 60}).End().End().End();
  w.End();
  w.Begin(0xB000);
  WriteCameraNode(w, "Cam", 30, 1, 2, 3);
  w.End().End();
  ASSERT_TRUE(LoadBytes(w.Data()));

  ASSERT_EQ(scene.meshes.count, 1u);
  SceneMesh* tri = scene.meshes[0];
  ASSERT_NE(tri->mesh, nullptr);
  void* data = nullptr;
  ASSERT_EQ(tri->mesh->LockVertexBuffer(0, &data), D3D_OK);
  const Vertex* v = static_cast<const Vertex*>(data);
  EXPECT_EQ(v[0].position[0], 1.0f);
  EXPECT_EQ(v[0].position[1], 3.0f) << "vertex (1, 2, 3) is built at (1, 3, 2)";
  EXPECT_EQ(v[0].position[2], 2.0f);
  EXPECT_EQ(v[1].uv[0], 0.25f) << "mapping coordinates are taken as they are";
  EXPECT_EQ(v[1].uv[1], 0.5f);
  tri->mesh->UnlockVertexBuffer();
  ASSERT_EQ(tri->mesh->LockIndexBuffer(0, &data), D3D_OK);
  const uint16_t* indices = static_cast<const uint16_t*>(data);
  EXPECT_EQ(indices[0], 2);
  EXPECT_EQ(indices[1], 1);
  EXPECT_EQ(indices[2], 0) << "face (0, 1, 2) is drawn as 2, 1, 0";
  tri->mesh->UnlockIndexBuffer();
  for (int c = 0; c < 3; ++c) {
    EXPECT_EQ(tri->origin[c], c + 1.0f) << "the translation keeps the file's order";
    EXPECT_EQ(tri->position[c], c + 1.0f);
  }

  ASSERT_EQ(scene.cameras.count, 1u);
  const float camera[3] = {1, 3, 2}, cameraTarget[3] = {4, 6, 5};
  for (int c = 0; c < 3; ++c) {
    EXPECT_EQ(scene.cameras[0]->position[c], camera[c]) << "camera (1, 2, 3) is at (1, 3, 2)";
    EXPECT_EQ(scene.cameras[0]->target[c], cameraTarget[c]);
    EXPECT_EQ(scene.lights[0]->position[c], camera[c]) << "the light exchanges like the camera";
    EXPECT_EQ(scene.lights[0]->target[c], cameraTarget[c]);
  }
  EXPECT_EQ(scene.lights[0]->hotspot, 40.0f);
  EXPECT_EQ(scene.lights[0]->falloff, 60.0f);

  CameraAnimation* animation = scene.FindAnimation("Cam");
  ASSERT_NE(animation, nullptr);
  const KeyTrack* channels[3] = {&animation->positionX, &animation->positionY, &animation->positionZ};
  for (int c = 0; c < 3; ++c) {
    ASSERT_EQ(channels[c]->keys.count, 1u);
    EXPECT_EQ(channels[c]->keys[0].time, 30.0f);
    EXPECT_EQ(channels[c]->keys[0].value, c + 1.0f) << "animation key (1, 2, 3) stays (1, 2, 3)";
  }
}

TEST_F(SceneTest, LookupsAreExactAndTheFirstInFileOrderWins) {
  Writer3DS w;
  w.Begin(0x4D4D).Begin(0x3D3D);
  WriteMaterial(w, "Steel", "checker.png");
  WriteMaterial(w, "Steel", "checker.png");
  WriteMesh(w, Triangle("Box01", "Steel"));
  WriteMesh(w, Triangle("Box01", "Steel"));
  w.End().Begin(0xB000);
  WriteCameraNode(w, "Camera1", 0, 1, 1, 1);
  WriteCameraNode(w, "Camera1", 0, 2, 2, 2);
  w.End().End();
  ASSERT_TRUE(LoadBytes(w.Data()));
  ASSERT_EQ(scene.meshes.count, 2u);
  EXPECT_EQ(scene.FindMesh("Box01"), scene.meshes[0]);
  EXPECT_EQ(scene.FindMaterial("Steel"), scene.materials[0]);
  EXPECT_EQ(scene.meshes[1]->materials[0], scene.materials[0]) << "groups name the first material";
  EXPECT_EQ(scene.FindAnimation("Camera1"), scene.animations[0]);
  EXPECT_NE(scene.materials[0]->texture, scene.materials[1]->texture) << "each material has its own texture";
  for (const char* miss : {"box01", "Box0", "Box01 ", "", "BOX01"}) EXPECT_EQ(scene.FindMesh(miss), nullptr) << miss;
  EXPECT_EQ(scene.FindAnimation("camera1"), nullptr);
  EXPECT_EQ(scene.FindMaterial("steel"), nullptr);
  EXPECT_EQ(scene.FindMesh(nullptr), nullptr);
}

TEST_F(SceneTest, RefusedFilesLeaveTheSceneEmpty) {
  Writer3DS notMain;
  notMain.Begin(0x3D3D).End();
  Writer3DS cut;
  cut.Begin(0x4D4D).Header(0x3D3D, 500).U32(0);
  for (const std::vector<uint8_t>& bytes : {notMain.Data(), cut.Data()}) {
    EXPECT_FALSE(LoadBytes(bytes));
  }
  EXPECT_FALSE(scene.Load(device, "missing.3ds", "maps/"));
  EXPECT_EQ(scene.meshes.count + scene.cameras.count + scene.materials.count + scene.lights.count +
                scene.animations.count,
            0u);
  EXPECT_EQ(scene.FindMesh("Box01"), nullptr);
  EXPECT_EQ(scene.FindAnimation("Camera1"), nullptr);
  EXPECT_EQ(scene.FindMaterial("Steel"), nullptr);
}

TEST_F(SceneTest, MeshesThatCannotBeBuiltAreNamedAndSkipped) {
  struct Case {
    MeshSpec bad;
    const char* problem;
  } cases[] = {
      {MeshSpec{"VertexPast", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 3}}, {{"Red", {0}}}},
       "face 0 names vertex 3 but the mesh has 3 vertices"},
      {MeshSpec{"GroupPast", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}, {{"Red", {0}}, {"Plain", {1}}}},
       "face group 1 names face 1 but the mesh has 1 faces"},
      {MeshSpec{"NoFaces", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {}, {}}, "it has no faces"},
      {MeshSpec{"NoVertices", {}, {{0, 1, 2}}, {{"Red", {0}}}}, "it has faces but no vertices"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bad.name);
    scene.Clear();
    testing::internal::CaptureStderr();
    bool loaded = LoadBytes(MeshScene({Triangle("Good1", "Red"), c.bad, Triangle("Good2", "Red")}));
    std::string err = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(loaded);
    EXPECT_EQ(err, "scene.3ds: mesh \"" + c.bad.name + "\" is not built: " + c.problem + "\n");
    ASSERT_EQ(scene.meshes.count, 3u);
    SceneMesh* bad = scene.FindMesh(c.bad.name.c_str());
    ASSERT_NE(bad, nullptr);
    EXPECT_EQ(bad->mesh, nullptr);
    EXPECT_EQ(bad->materials.count, 0u);
    EXPECT_NE(scene.FindMesh("Good2")->mesh, nullptr) << "the meshes after it are built";
  }
}

TEST_F(SceneTest, MissingMapsCoordinatesAndMaterialsStillLoad) {
  MeshSpec noCoords = Triangle("NoCoords", "Red");
  noCoords.mapCoords = false;
  testing::internal::CaptureStderr();
  ASSERT_TRUE(LoadBytes(MeshScene({Triangle("Plain", "Plain"), noCoords, Triangle("Orphan", "Nowhere")})));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(scene.FindMaterial("Plain")->texture, nullptr);
  EXPECT_NE(scene.FindMaterial("Red")->texture, nullptr);
  for (const char* name : {"Plain", "NoCoords", "Orphan"}) {
    SceneMesh* mesh = scene.FindMesh(name);
    ASSERT_NE(mesh, nullptr);
    EXPECT_NE(mesh->mesh, nullptr) << name;
    EXPECT_EQ(mesh->materials.count, 1u) << name;
  }
  EXPECT_EQ(scene.FindMesh("Orphan")->materials[0], nullptr);
  void* data = nullptr;
  ID3DXMesh* mesh = scene.FindMesh("NoCoords")->mesh;
  ASSERT_EQ(mesh->LockVertexBuffer(0, &data), D3D_OK);
  const Vertex* v = static_cast<const Vertex*>(data);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(v[i].uv[0], 0.0f);
    EXPECT_EQ(v[i].uv[1], 0.0f);
  }
  mesh->UnlockVertexBuffer();
}

// Two quads side by side whose faces alternate in the file: DrawSubset j must draw exactly the
// faces of group j, so the attribute sort has to have gathered them.
TEST_F(SceneTest, EachFaceGroupIsExactlyItsSubset) {
  MeshSpec quads{"Quads", {}, {}, {}};
  for (float x0 : {-0.9f, 0.1f}) {
    // Corners in clip space (x, y, z = 0.5), written as the file's (x, z, y).
    const float corners[4][2] = {{x0, -0.5f}, {x0, 0.5f}, {x0 + 0.8f, 0.5f}, {x0 + 0.8f, -0.5f}};
    for (const auto& c : corners) quads.vertices.push_back({c[0], 0.5f, c[1]});
  }
  // Clockwise on the screen: (0, 1, 2) and (0, 2, 3) per quad, reversed in the file.
  quads.faces = {{2, 1, 0}, {6, 5, 4}, {3, 2, 0}, {7, 6, 4}};
  quads.groups = {{"Red", {0, 2}}, {"Plain", {1, 3}}};
  ASSERT_TRUE(LoadBytes(MeshScene({quads})));
  ID3DXMesh* mesh = scene.meshes[0]->mesh;
  ASSERT_NE(mesh, nullptr);

  Effect* solid = device->LoadEffect((std::string(QOLA_SOURCE_DIR) + "/tests/data/fx/solid.fx").c_str());
  ASSERT_NE(solid, nullptr);
  ID3DXEffect* fx = solid->effect;
  D3DXMATRIX identity;
  D3DXMatrixIdentity(&identity);
  fx->SetMatrix("Matrix", &identity);
  ASSERT_EQ(fx->SetTechnique("SolidCulled"), D3D_OK);  // back faces would vanish: the winding is checked too
  for (DWORD subset = 0; subset < 2; ++subset) {
    IDirect3DDevice9* d3d = device->device;
    d3d->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    d3d->BeginScene();
    UINT passes = 0;
    fx->Begin(&passes, 0);
    fx->BeginPass(0);
    EXPECT_EQ(mesh->DrawSubset(subset), D3D_OK);
    fx->EndPass();
    fx->End();
    d3d->EndScene();
    testsupport::Picture picture;
    ASSERT_TRUE(testsupport::ReadBackBuffer(d3d, &picture));
    // Quad A spans x pixels 16..144, quad B 176..304, both y 60..180; look inside each.
    testsupport::Rgba left = testsupport::AverageColor(picture, 24, 68, 136, 172);
    testsupport::Rgba right = testsupport::AverageColor(picture, 184, 68, 296, 172);
    EXPECT_TRUE(testsupport::Near(subset == 0 ? left : right, 0xFFFFFFFF, 2)) << "subset " << subset;
    EXPECT_TRUE(testsupport::Near(subset == 0 ? right : left, 0xFF000000, 2)) << "subset " << subset;
  }
}

}  // namespace
