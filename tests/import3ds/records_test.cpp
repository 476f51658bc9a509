// records_test.cpp -- what the editor-section handlers put into meshes, materials, lights and cameras
#include <cmath>

#include "tests/import3ds/scratch_dir.h"
#include "tools/write3ds/sample_scenes.h"

namespace {

using write3ds::Writer3DS;

class RecordsTest : public ScratchDirTest {};

TEST_F(RecordsTest, BoxMeshRefersToItsListsInPlace) {
  Loader3DS loader;
  ASSERT_TRUE(LoadBytes(loader, write3ds::BoxScene()));
  ASSERT_EQ(loader.meshes.count, 1u);
  const TriangleMesh& mesh = *loader.meshes[0];
  EXPECT_STREQ(mesh.name, "Box01");
  EXPECT_EQ(mesh.vertexCount, 8);
  EXPECT_EQ(mesh.faceCount, 12);
  EXPECT_EQ(mesh.mapCoordCount, 8);
  float xyz[3];
  mesh.Vertex(5, xyz);  // i = 5: x +1, y -1, z +1
  EXPECT_EQ(xyz[0], 1.0f);
  EXPECT_EQ(xyz[1], -1.0f);
  EXPECT_EQ(xyz[2], 1.0f);
  uint16_t face[4];
  mesh.Face(11, face);
  EXPECT_EQ(face[0], 1);
  EXPECT_EQ(face[1], 7);
  EXPECT_EQ(face[2], 3);
  EXPECT_EQ(face[3], 7);
  float uv[2];
  mesh.MapCoord(2, uv);
  EXPECT_EQ(uv[0], 0.0f);
  EXPECT_EQ(uv[1], 1.0f);
  ASSERT_EQ(mesh.faceGroups.count, 1u);
  EXPECT_STREQ(mesh.faceGroups[0]->materialName, "Steel");
  EXPECT_EQ(mesh.faceGroups[0]->faceCount, 12);
  EXPECT_EQ(mesh.faceGroups[0]->FaceIndex(11), 11);
  EXPECT_EQ(mesh.localMatrix[9], 2.5f);
  EXPECT_EQ(mesh.localMatrix[10], -1.0f);
  EXPECT_EQ(mesh.localMatrix[11], 4.0f);
  // Names and lists point into the image: nothing was copied.
  const uint8_t* begin = loader.fileImage.data;
  const uint8_t* end = begin + loader.fileImage.size;
  EXPECT_TRUE(mesh.vertices > begin && mesh.vertices < end);
  EXPECT_TRUE(reinterpret_cast<const uint8_t*>(mesh.name) > begin);
}

TEST_F(RecordsTest, MaterialColoursScalesAndMap) {
  Loader3DS loader;
  ASSERT_TRUE(LoadBytes(loader, write3ds::BoxScene()));
  ASSERT_EQ(loader.materials.count, 1u);
  const MaterialRecord& m = *loader.materials[0];
  const float k = 1.0f / 255.0f;
  EXPECT_STREQ(m.name, "Steel");
  // Byte colour 255, 128, 0, then a float colour that is skipped as an unknown chunk.
  EXPECT_EQ(m.ambient[0], 1.0f);
  EXPECT_EQ(m.ambient[1], 128.0f * k);
  EXPECT_EQ(m.ambient[2], 0.0f);
  EXPECT_EQ(m.diffuse[0], 10.0f * k);
  EXPECT_EQ(m.diffuse[2], 30.0f * k);
  // Only a float colour: -1 in all three.
  for (float c : m.specular) EXPECT_EQ(c, -1.0f);
  EXPECT_STREQ(m.mapFile, "pmetal.png");
  EXPECT_EQ(m.uScale, 2.0f);  // written after the V scale
  EXPECT_EQ(m.vScale, 3.0f);
  EXPECT_EQ(loader.ambientColour[0], 51.0f * k);
}

TEST_F(RecordsTest, MaterialWithoutMapAndTwoOfTheSameName) {
  Writer3DS w;
  w.Begin(0x4D4D).Begin(0x3D3D);
  w.Begin(0xAFFF).Begin(0xA000).Text("Plain").End().End();
  w.Begin(0xAFFF).Begin(0xA000).Text("Plain").End().Begin(0xA020).ByteColour(0, 255, 0).End().End();
  w.End().End();
  Loader3DS loader;
  ASSERT_TRUE(LoadWritten(loader, w));
  ASSERT_EQ(loader.materials.count, 2u);
  for (MaterialRecord* m : loader.materials) {
    EXPECT_STREQ(m->name, "Plain");
    EXPECT_EQ(m->mapFile, nullptr);
    EXPECT_EQ(m->uScale, 0.0f);
    EXPECT_EQ(m->vScale, 0.0f);
  }
  EXPECT_EQ(loader.materials[0]->diffuse[1], 0.0f);
  EXPECT_EQ(loader.materials[1]->diffuse[1], 1.0f);
}

TEST_F(RecordsTest, LightsWithAndWithoutSpotAndCameras) {
  Writer3DS w;
  w.Begin(0x4D4D).Begin(0x3D3D);
  w.Begin(0x4000).Text("Omni").Begin(0x4600).Floats({1, 2, 3}).FloatColour(1, 1, 1).End().End();
  w.Begin(0x4000).Text("Spot").Begin(0x4600).Floats({4, 5, 6}).ByteColour(0, 0, 255);
  w.Begin(0x4610).Floats({7, 8, 9, 20, 40}).End().End().End();
  w.Begin(0x4000).Text("Cam").Begin(0x4700).Floats({1, 2, 3, 4, 5, 6, 7.5f, 50}).End().End();
  w.End().End();
  Loader3DS loader;
  ASSERT_TRUE(LoadWritten(loader, w));
  ASSERT_EQ(loader.lights.count, 2u);
  const LightRecord& omni = *loader.lights[0];
  const LightRecord& spot = *loader.lights[1];
  EXPECT_STREQ(omni.name, "Omni");
  EXPECT_EQ(omni.isSpot, 0);
  EXPECT_EQ(omni.position[2], 3.0f);
  EXPECT_EQ(omni.colour[0], -1.0f);
  EXPECT_EQ(omni.hotspot, 0.0f);
  EXPECT_EQ(spot.isSpot, 1);
  EXPECT_EQ(spot.colour[2], 1.0f);
  EXPECT_EQ(spot.target[0], 7.0f);
  EXPECT_EQ(spot.target[2], 9.0f);
  EXPECT_EQ(spot.hotspot, 20.0f);
  EXPECT_EQ(spot.falloff, 40.0f);
  ASSERT_EQ(loader.cameras.count, 1u);
  const CameraRecord& cam = *loader.cameras[0];
  EXPECT_STREQ(cam.name, "Cam");
  EXPECT_EQ(cam.position[1], 2.0f);
  EXPECT_EQ(cam.target[2], 6.0f);
  EXPECT_EQ(cam.bank, 7.5f);
  EXPECT_EQ(cam.lens, 50.0f);
}

// An object whose first sub-chunk is no mesh makes no record; its lists fill the previous mesh,
// and a second vertex list replaces the first. A mesh without mapping or matrix keeps them empty.
TEST_F(RecordsTest, ListsFillTheLastMeshWhateverObjectTheyStandIn) {
  Writer3DS w;
  w.Begin(0x4D4D).Begin(0x3D3D);
  w.Begin(0x4000).Text("First").Begin(0x4100).Begin(0x4110).U16(1).Floats({1, 1, 1}).End().End().End();
  w.Begin(0x4000).Text("Flagged").Begin(0x4010).End();
  w.Begin(0x4100).Begin(0x4110).U16(2).Floats({2, 2, 2, 3, 3, 3}).End().End().End();
  w.End().End();
  Loader3DS loader;
  ASSERT_TRUE(LoadWritten(loader, w));
  ASSERT_EQ(loader.meshes.count, 1u);
  const TriangleMesh& mesh = *loader.meshes[0];
  EXPECT_STREQ(mesh.name, "First");
  EXPECT_EQ(mesh.vertexCount, 2);
  float xyz[3];
  mesh.Vertex(1, xyz);
  EXPECT_EQ(xyz[0], 3.0f);
  EXPECT_EQ(mesh.mapCoords, nullptr);
  EXPECT_EQ(mesh.mapCoordCount, 0);
  for (float v : mesh.localMatrix) EXPECT_EQ(v, 0.0f);
  EXPECT_NE(ReadLog().find("\tCHUNK_OBJBLOCK\n#4010, 6 bytes.\n"), std::string::npos);
}

}  // namespace
