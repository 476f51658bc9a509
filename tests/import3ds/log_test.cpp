// log_test.cpp -- "log.txt" byte for byte: opening lines, header lines, number bases, failed loads
#include "tests/import3ds/scratch_dir.h"
#include "tools/write3ds/sample_scenes.h"

namespace {

using write3ds::Writer3DS;

class LogTest : public ScratchDirTest {};

TEST_F(LogTest, MainChunkOnly) {
  Writer3DS w;
  w.Begin(0x4D4D).End();
  Loader3DS loader;
  EXPECT_TRUE(LoadWritten(loader, w));
  EXPECT_EQ(ReadLog(), std::string(kOpening) + "#4d4d, 6 bytes.\nCHUNK_MAIN\n");
  EXPECT_EQ(loader.meshes.count + loader.materials.count + loader.lights.count + loader.cameras.count +
                loader.nodes.count,
            0u);
  EXPECT_EQ(loader.textureDir, "media/maps/");
}

TEST_F(LogTest, WrongFirstIdLogsOnlyTheProcessingLine) {
  Writer3DS w;
  w.Begin(0x3D3D).End();
  Loader3DS loader;
  EXPECT_FALSE(LoadWritten(loader, w));
  EXPECT_EQ(ReadLog(), "Processing : scene.3ds\n");
  EXPECT_EQ(loader.meshes.count, 0u);
}

TEST_F(LogTest, MissingFileTruncatesAnOlderLog) {
  { std::ofstream("log.txt") << "an older trace\n"; }
  Loader3DS loader;
  EXPECT_FALSE(loader.Load("no-such-scene.3ds", "media/maps/"));
  EXPECT_TRUE(LogExists());
  EXPECT_EQ(ReadLog(), "");
}

TEST_F(LogTest, HeaderLinesAreHexWithoutLeadingZerosAndTheWalkGoesPastTheMainChunk) {
  Writer3DS w;
  w.Begin(0x4D4D).Begin(0x0002).U32(3).End().End();
  w.Begin(0x0100).U8(0).End();  // after the main chunk's end: still walked
  Loader3DS loader;
  EXPECT_TRUE(LoadWritten(loader, w));
  EXPECT_EQ(ReadLog(), std::string(kOpening) +
                           "#4d4d, 10 bytes.\nCHUNK_MAIN\n"
                           "#2, a bytes.\n"
                           "#100, 7 bytes.\n");
}

TEST_F(LogTest, UnknownChunkIsSkippedWithItsSubChunks) {
  Writer3DS w;
  w.Begin(0x4D4D).Begin(0x1234).Begin(0x4110).U16(0).End().End().Begin(0xAFFF).End().End();
  Loader3DS loader;
  EXPECT_TRUE(LoadWritten(loader, w));
  EXPECT_EQ(ReadLog(), std::string(kOpening) + "#4d4d, 1a bytes.\nCHUNK_MAIN\n#1234, e bytes.\n#afff, 6 bytes.\nCHUNK_MATERIAL\n");
}

// Counts are decimal in their own lines; the next header line is hexadecimal again.
TEST_F(LogTest, MeshCountsDecimalBetweenHexHeaders) {
  Writer3DS w;
  w.Begin(0x4D4D).Begin(0x3D3D).Begin(0x4000).Text("Box01").Begin(0x4100);
  w.Begin(0x4110).U16(8);
  for (int i = 0; i < 24; ++i) w.F32(static_cast<float>(i));
  w.End();
  w.Begin(0x4120).U16(12);
  for (int i = 0; i < 48; ++i) w.U16(static_cast<uint16_t>(i % 8));
  w.End();
  w.End().End().End().End();
  Loader3DS loader;
  EXPECT_TRUE(LoadWritten(loader, w));
  EXPECT_EQ(ReadLog(), std::string(kOpening) +
                           "#4d4d, ee bytes.\nCHUNK_MAIN\n"
                           "#3d3d, e8 bytes.\nCHUNK_OBJMESH\n"
                           "#4000, e2 bytes.\n\tCHUNK_OBJBLOCK\n\t\tTriangleMesh - \"Box01\"\n"
                           "#4100, d6 bytes.\n\t\tCHUNK_TRIMESH\n"
                           "#4110, 68 bytes.\n\t\t\tCHUNK_VERTLIST\n\t\t\t8 vertices\n"
                           "#4120, 68 bytes.\n\t\t\tCHUNK_FACELIST\n\t\t\t12 triangles\n");
  ASSERT_EQ(loader.meshes.count, 1u);
  EXPECT_EQ(loader.meshes[0]->vertexCount, 8);
  EXPECT_EQ(loader.meshes[0]->faceCount, 12);
}

// The whole trace of the writer's sample scene: every log text of the editor section and the
// keyframer, skipped chunks as header lines, key counts in hexadecimal.
TEST_F(LogTest, SampleSceneWholeLog) {
  std::vector<uint8_t> bytes = write3ds::BoxScene();
  Loader3DS loader;
  ASSERT_TRUE(LoadBytes(loader, bytes));
  const std::string expected = std::string(kOpening) +
      "#4d4d, 4a1 bytes.\nCHUNK_MAIN\n"
      "#2, a bytes.\n"
      "#3d3d, 2ec bytes.\nCHUNK_OBJMESH\n"
      "#3d3e, a bytes.\n"
      "#afff, 8d bytes.\nCHUNK_MATERIAL\n"
      "#a000, c bytes.\nMaterial - \"Steel\"\n"
      "#a010, 21 bytes.\n\tCHUNK_AMBIENT\n"
      "#10, 12 bytes.\n"
      "#a020, f bytes.\n\tCHUNK_DIFFUSE\n"
      "#a030, 18 bytes.\n\tCHUNK_SPECULAR\n"
      "#a200, 33 bytes.\nCHUNK_TEXTURE\n"
      "#30, 8 bytes.\n"
      "#a300, 11 bytes.\nCHUNK_MAPFILE\nFilename - \"pmetal.png\"\n"
      "#a356, a bytes.\nCHUNK_VSCALE\n"
      "#a354, a bytes.\nCHUNK_USCALE\n"
      "#2100, f bytes.\nCHUNK_AMBCOLOUR\n"
      "#4000, 1bc bytes.\n\tCHUNK_OBJBLOCK\n\t\tTriangleMesh - \"Box01\"\n"
      "#4100, 1b0 bytes.\n\t\tCHUNK_TRIMESH\n"
      "#4110, 68 bytes.\n\t\t\tCHUNK_VERTLIST\n\t\t\t8 vertices\n"
      "#4140, 48 bytes.\nCHUNK_MAPLIST\n"
      "#4120, c4 bytes.\n\t\t\tCHUNK_FACELIST\n\t\t\t12 triangles\n"
      "#4130, 26 bytes.\n\t\t\tCHUNK_FACEMAT - \"Steel\"\n"
      "#4150, 36 bytes.\n"
      "#4160, 36 bytes.\nCHUNK_TRMATRIX\n"
      "#4000, 42 bytes.\n\tCHUNK_OBJBLOCK\n\t\tLight - \"Spot01\"\n"
      "#4600, 35 bytes.\n\t\tCHUNK_LIGHT\n"
      "#4610, 1a bytes.\n\t\t\tCHUNK_SPOTLIGHT\n"
      "#4000, 42 bytes.\n\tCHUNK_OBJBLOCK\n\t\tCamera - \"Camera1\"\n"
      "#4700, 34 bytes.\n\t\tCHUNK_CAMERA\n"
      "#4720, e bytes.\n"
      "#b000, 1a5 bytes.\nCHUNK_KEYFRAMER\n"
      "#b00a, b bytes.\n"
      "#b002, 50 bytes.\n"
      "#b003, ca bytes.\nCHUNK_...camera information\n"
      "#b030, 8 bytes.\n"
      "#b010, 14 bytes.\n\t\t KeyframeObjectInfo - Camera1\n"
      "#b020, 62 bytes.\nPosition track\n  -Position\n---3\n"
      "#b023, 14 bytes.\n"
      "#b024, 32 bytes.\nRoll track\n---3\n"
      "#b004, 7a bytes.\nCHUNK_...camera target information\n"
      "#b010, 14 bytes.\n\t\t KeyframeObjectInfo - Camera1\n"
      "#b020, 60 bytes.\nPosition track\n  -Target\n---2\n";
  EXPECT_EQ(ReadLog(), expected);
}

}  // namespace

namespace {

class EntryPointTest : public ScratchDirTest {};

// The in-memory entry point is the same parse: same records, same log but for the name.
TEST_F(EntryPointTest, LoadImageMatchesLoad) {
  const std::vector<uint8_t> bytes = write3ds::BoxScene();
  std::string fromFile;
  {
    Loader3DS loader;
    ASSERT_TRUE(LoadBytes(loader, bytes));
    fromFile = ReadLog();
  }
  Loader3DS loader;
  ASSERT_TRUE(loader.LoadImage("scene.3ds", "maps/", bytes.data(), static_cast<uint32_t>(bytes.size())));
  EXPECT_EQ(ReadLog(), fromFile);
  EXPECT_EQ(loader.meshes.count, 1u);
  EXPECT_EQ(loader.textureDir, "maps/");
}

// Loading again starts from an empty reader: records of the first file do not stay behind.
TEST_F(EntryPointTest, SecondLoadStartsEmpty) {
  Loader3DS loader;
  ASSERT_TRUE(LoadBytes(loader, write3ds::BoxScene()));
  ASSERT_EQ(loader.nodes.count, 1u);
  Writer3DS w;
  w.Begin(0x4D4D).End();
  ASSERT_TRUE(LoadWritten(loader, w));
  EXPECT_EQ(loader.meshes.count + loader.materials.count + loader.lights.count + loader.cameras.count +
                loader.nodes.count,
            0u);
  EXPECT_EQ(loader.currentNode, nullptr);
  EXPECT_EQ(loader.nodeKind, 0);
  EXPECT_EQ(ReadLog(), std::string(kOpening) + "#4d4d, 6 bytes.\nCHUNK_MAIN\n");
}

}  // namespace
