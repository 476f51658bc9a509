// sample_scenes.cpp -- the sample 3DS files: one of each record kind, and keyframer node orders
#include "tools/write3ds/sample_scenes.h"

#include "tools/write3ds/writer3ds.h"

namespace write3ds {

namespace {

void BoxMesh(Writer3DS& w, const std::string& name, const std::string& material) {
  w.Begin(0x4000).Text(name);
  w.Begin(0x4100);
  w.Begin(0x4110).U16(8);
  for (int i = 0; i < 8; ++i) w.Floats({i & 1 ? 1.0f : -1.0f, i & 2 ? 1.0f : -1.0f, i & 4 ? 1.0f : -1.0f});
  w.End();
  w.Begin(0x4140).U16(8);
  for (int i = 0; i < 8; ++i) w.Floats({i & 1 ? 1.0f : 0.0f, i & 2 ? 1.0f : 0.0f});
  w.End();
  w.Begin(0x4120).U16(12);
  static const uint16_t kFaces[12][3] = {{0, 1, 3}, {0, 3, 2}, {4, 6, 7}, {4, 7, 5}, {0, 4, 5}, {0, 5, 1},
                                         {2, 3, 7}, {2, 7, 6}, {0, 2, 6}, {0, 6, 4}, {1, 5, 7}, {1, 7, 3}};
  for (const auto& f : kFaces) w.U16s({f[0], f[1], f[2], 7});
  w.Begin(0x4130).Text(material).U16(12);
  for (uint16_t i = 0; i < 12; ++i) w.U16(i);
  w.End();
  w.Begin(0x4150);  // smoothing groups: not read, skipped by length
  for (int i = 0; i < 12; ++i) w.U32(1);
  w.End();
  w.End();  // face list
  w.Begin(0x4160).Floats({1, 0, 0, 0, 1, 0, 0, 0, 1, 2.5f, -1.0f, 4.0f}).End();
  w.End();  // trimesh
  w.End();  // object
}

void Material(Writer3DS& w, const std::string& name, const std::string& map) {
  w.Begin(0xAFFF);
  w.Begin(0xA000).Text(name).End();
  w.Begin(0xA010).ByteColour(255, 128, 0).FloatColour(1.0f, 0.5f, 0.0f).End();
  w.Begin(0xA020).ByteColour(10, 20, 30).End();
  w.Begin(0xA030).FloatColour(0.9f, 0.9f, 0.9f).End();
  w.Begin(0xA200);
  w.Begin(0x0030).U16(100).End();  // map strength: skipped
  w.Begin(0xA300).Text(map).End();
  w.Begin(0xA356).F32(3.0f).End();
  w.Begin(0xA354).F32(2.0f).End();
  w.End();
  w.End();
}

void SpotLight(Writer3DS& w, const std::string& name) {
  w.Begin(0x4000).Text(name);
  w.Begin(0x4600).Floats({10.0f, 20.0f, 30.0f}).ByteColour(255, 255, 255);
  w.Begin(0x4610).Floats({0.0f, 0.0f, 0.0f, 30.0f, 45.0f}).End();
  w.End();
  w.End();
}

void Camera(Writer3DS& w, const std::string& name) {
  w.Begin(0x4000).Text(name);
  w.Begin(0x4700).Floats({0.0f, -100.0f, 50.0f, 0.0f, 0.0f, 0.0f, 0.0f, 35.0f});
  w.Begin(0x4720).Floats({1.0f, 1000.0f}).End();  // ranges: skipped
  w.End();
  w.End();
}

void PositionTrack(Writer3DS& w, uint32_t keys, float base, uint16_t splineFlags) {
  w.Begin(0xB020).TrackHeader(0x0040, keys);
  for (uint32_t k = 0; k < keys; ++k) w.Key(k * 10, splineFlags, {base + k, base + 2 * k, base + 3 * k});
  w.End();
}

void RollTrack(Writer3DS& w, uint32_t keys) {
  w.Begin(0xB024).TrackHeader(0, keys);
  for (uint32_t k = 0; k < keys; ++k) w.Key(k * 10, 0, {static_cast<float>(k) * 5.0f});
  w.End();
}

void CameraNode(Writer3DS& w, const std::string& name, uint32_t keys, float base) {
  w.Begin(0xB003);
  w.Begin(0xB030).U16(1).End();  // node id: skipped
  w.Begin(0xB010).Text(name).U16s({0x4000, 0, 0xFFFF}).End();
  PositionTrack(w, keys, base, kTension | kContinuity);
  w.Begin(0xB023).TrackHeader(0, 0).End();  // field of view: skipped
  RollTrack(w, keys);
  w.End();
}

void TargetNode(Writer3DS& w, const std::string& name, uint32_t keys, float base) {
  w.Begin(0xB004);
  w.Begin(0xB010).Text(name).U16s({0, 0, 0}).End();
  PositionTrack(w, keys, base, 0x001F);
  w.End();
}

// --- the lit floor scene, written from the demo's y-up coordinates ---

struct Vec3 {
  float x, y, z;
};

Vec3 Add(Vec3 a, Vec3 b, float sb, Vec3 c, float sc) {
  return Vec3{a.x + sb * b.x + sc * c.x, a.y + sb * b.y + sc * c.y, a.z + sb * b.z + sc * c.z};
}

// A mesh of quads given in the demo's coordinates. The reader's scene build exchanges y and z of
// every vertex and reverses every face, so a vertex goes to the file as (x, z, y) and a face that
// is clockwise from its front in the demo's space goes as (c, b, a).
struct QuadMesh {
  std::vector<Vec3> vertices;
  std::vector<float> uvs;
  std::vector<uint16_t> faces;  // a, b, c as the file holds them

  // A quad at centre, facing along u x v, half sizes su and sv, uv repeats `repeat` times.
  void Quad(Vec3 centre, Vec3 u, float su, Vec3 v, float sv, float repeat) {
    const uint16_t first = static_cast<uint16_t>(vertices.size());
    const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    for (const auto& c : corners) {
      vertices.push_back(Add(centre, u, c[0] * su, v, c[1] * sv));
      uvs.push_back((c[0] + 1) * 0.5f * repeat);
      uvs.push_back((c[1] + 1) * 0.5f * repeat);
    }
    // Clockwise in the demo's space: (0, 1, 2) and (0, 2, 3); reversed for the file.
    const uint16_t tris[2][3] = {{0, 1, 2}, {0, 2, 3}};
    for (const auto& t : tris) {
      for (int k = 2; k >= 0; --k) faces.push_back(static_cast<uint16_t>(first + t[k]));
    }
  }

  void Write(Writer3DS& w, const std::string& name, const std::string& material, Vec3 origin) const {
    w.Begin(0x4000).Text(name);
    w.Begin(0x4100);
    w.Begin(0x4110).U16(static_cast<uint16_t>(vertices.size()));
    for (const Vec3& v : vertices) w.Floats({v.x, v.z, v.y});
    w.End();
    w.Begin(0x4140).U16(static_cast<uint16_t>(vertices.size()));
    for (float f : uvs) w.F32(f);
    w.End();
    const uint16_t faceCount = static_cast<uint16_t>(faces.size() / 3);
    w.Begin(0x4120).U16(faceCount);
    for (size_t f = 0; f < faces.size(); f += 3) w.U16s({faces[f], faces[f + 1], faces[f + 2], 7});
    w.Begin(0x4130).Text(material).U16(faceCount);
    for (uint16_t f = 0; f < faceCount; ++f) w.U16(f);
    w.End();
    w.End();  // face list
    // Translations keep the demo's order as they are.
    w.Begin(0x4160).Floats({1, 0, 0, 0, 1, 0, 0, 0, 1, origin.x, origin.y, origin.z}).End();
    w.End();  // trimesh
    w.End();  // object
  }
};

QuadMesh Box(float hx, float hy, float hz) {
  const Vec3 x{1, 0, 0}, y{0, 1, 0}, z{0, 0, 1};
  QuadMesh mesh;
  // For each face, u x v is its outward normal.
  mesh.Quad(Vec3{hx, 0, 0}, y, hy, z, hz, 1);
  mesh.Quad(Vec3{-hx, 0, 0}, z, hz, y, hy, 1);
  mesh.Quad(Vec3{0, hy, 0}, z, hz, x, hx, 1);
  mesh.Quad(Vec3{0, -hy, 0}, x, hx, z, hz, 1);
  mesh.Quad(Vec3{0, 0, hz}, x, hx, y, hy, 1);
  mesh.Quad(Vec3{0, 0, -hz}, y, hy, x, hx, 1);
  return mesh;
}

void MapMaterial(Writer3DS& w, const std::string& name, const std::string& map) {
  w.Begin(0xAFFF);
  w.Begin(0xA000).Text(name).End();
  w.Begin(0xA010).ByteColour(40, 40, 40).End();
  w.Begin(0xA020).ByteColour(200, 200, 200).End();
  w.Begin(0xA030).ByteColour(255, 255, 255).End();
  w.Begin(0xA200).Begin(0xA300).Text(map).End().End();
  w.End();
}

void SceneCameraNode(Writer3DS& w, const std::string& name, std::initializer_list<std::initializer_list<float>> keys) {
  w.Begin(0xB003);
  w.Begin(0xB010).Text(name).U16s({0x4000, 0, 0xFFFF}).End();
  w.Begin(0xB020).TrackHeader(0x0040, static_cast<uint32_t>(keys.size()));
  for (const auto& key : keys) {
    const float* k = key.begin();
    w.Key(static_cast<uint32_t>(k[0]), 0, {k[1], k[2], k[3]});
  }
  w.End();
  w.Begin(0xB024).TrackHeader(0, 1).Key(0, 0, {0.0f}).End();
  w.End();
}

void SceneTargetNode(Writer3DS& w, const std::string& name, Vec3 target) {
  w.Begin(0xB004);
  w.Begin(0xB010).Text(name).U16s({0, 0, 0xFFFF}).End();
  w.Begin(0xB020).TrackHeader(0x0040, 1).Key(0, 0, {target.x, target.y, target.z}).End();
  w.End();
}

}  // namespace

std::vector<uint8_t> LitFloorScene() {
  Writer3DS w;
  w.Begin(0x4D4D);
  w.Begin(0x3D3D);
  MapMaterial(w, "Checker", "checker.png");
  MapMaterial(w, "BoxPaint", "paint.png");
  QuadMesh floor;
  floor.Quad(Vec3{0, 0, 0}, Vec3{0, 0, 1}, 20, Vec3{1, 0, 0}, 20, 4);
  floor.Write(w, "Floor", "Checker", Vec3{0, 0, 0});
  Box(3, 1, 1).Write(w, "Box01", "BoxPaint", Vec3{0, 4, 0});
  // Static records exchange y and z like the vertices: the file holds (x, z, y).
  w.Begin(0x4000).Text("Spot01");
  w.Begin(0x4600).Floats({8.0f, -4.0f, 30.0f}).ByteColour(255, 255, 255);
  w.Begin(0x4610).Floats({0.0f, 0.0f, 0.0f, 40.0f, 60.0f}).End();
  w.End();
  w.End();
  w.Begin(0x4000).Text("Camera1");
  w.Begin(0x4700).Floats({0.0f, -40.0f, 25.0f, 0.0f, 0.0f, 0.0f, 0.0f, 35.0f}).End();
  w.End();
  w.End();  // editor
  w.Begin(0xB000);
  SceneCameraNode(w, "Camera1", {{0, 0, 25, -40}, {50, 15, 28, -38}, {100, 30, 25, -30}});
  SceneTargetNode(w, "Camera1", Vec3{0, 0, 0});
  w.End();
  w.End();
  return w.Data();
}

std::vector<uint8_t> BoxScene() {
  Writer3DS w;
  w.Begin(0x4D4D);
  w.Begin(0x0002).U32(3).End();
  w.Begin(0x3D3D);
  w.Begin(0x3D3E).U32(3).End();
  Material(w, "Steel", "pmetal.png");
  w.Begin(0x2100).ByteColour(51, 51, 51).End();
  BoxMesh(w, "Box01", "Steel");
  SpotLight(w, "Spot01");
  Camera(w, "Camera1");
  w.End();
  w.Begin(0xB000);
  w.Begin(0xB00A).U16(5).Text("").U16(100).End();  // keyframer header: skipped
  w.Begin(0xB002);  // object node: skipped whole
  w.Begin(0xB010).Text("Box01").U16s({0, 0, 0xFFFF}).End();
  PositionTrack(w, 2, 0.0f, 0);
  w.End();
  CameraNode(w, "Camera1", 3, 1.0f);
  TargetNode(w, "Camera1", 2, 100.0f);
  w.End();
  w.End();
  return w.Data();
}

std::vector<uint8_t> TwoCameraKeyframes() {
  Writer3DS w;
  w.Begin(0x4D4D);
  w.Begin(0x3D3D);
  Camera(w, "CamA");
  Camera(w, "CamB");
  w.End();
  w.Begin(0xB000);
  CameraNode(w, "CamA", 2, 1.0f);
  CameraNode(w, "CamB", 26, 50.0f);
  TargetNode(w, "CamA", 9, 200.0f);
  TargetNode(w, "CamB", 1, 300.0f);
  w.End();
  w.End();
  return w.Data();
}

std::vector<SampleScene> SampleScenes() {
  Writer3DS mainOnly;
  mainOnly.Begin(0x4D4D).End();
  Writer3DS version;
  version.Begin(0x4D4D).Begin(0x0002).U32(3).End().End();
  return {
      {"main_only.3ds", mainOnly.Data()},
      {"version.3ds", version.Data()},
      {"box_scene.3ds", BoxScene()},
      {"two_cameras.3ds", TwoCameraKeyframes()},
      {"lit_floor.3ds", LitFloorScene()},
  };
}

}  // namespace write3ds
