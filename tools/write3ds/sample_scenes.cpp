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

}  // namespace

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
  };
}

}  // namespace write3ds
