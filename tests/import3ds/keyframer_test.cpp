// keyframer_test.cpp -- camera and target nodes, their tracks, spline-flag padding and key-count lines
#include "tests/import3ds/scratch_dir.h"
#include "tools/write3ds/sample_scenes.h"

namespace {

using write3ds::Writer3DS;

class KeyframerTest : public ScratchDirTest {};

void ExpectPositions(const PositionTrack& track, uint32_t keys, float base, const char* what) {
  SCOPED_TRACE(what);
  ASSERT_EQ(track.keyCount, keys);
  ASSERT_EQ(track.frames.count, keys);
  ASSERT_EQ(track.values.count, keys);
  for (uint32_t k = 0; k < keys; ++k) {
    EXPECT_EQ(track.frames[k], k * 10);
    EXPECT_EQ(track.values[k].x, base + k);
    EXPECT_EQ(track.values[k].y, base + 2 * k);
    EXPECT_EQ(track.values[k].z, base + 3 * k);
  }
}

// The sample's camera node and target node share one record; the object node before them is
// skipped whole and makes nothing.
TEST_F(KeyframerTest, CameraAndItsTargetShareOneNode) {
  Loader3DS loader;
  ASSERT_TRUE(LoadBytes(loader, write3ds::BoxScene()));
  ASSERT_EQ(loader.nodes.count, 1u);
  const KeyframeObjectInfo& node = *loader.nodes[0];
  EXPECT_STREQ(node.name, "Camera1");
  // From the camera node's header; the target's header (all zero) is not read into it.
  EXPECT_EQ(node.flags1, 0x4000);
  EXPECT_EQ(node.flags2, 0);
  EXPECT_EQ(node.parent, 0xFFFF);
  ExpectPositions(node.positionTrack, 3, 1.0f, "position, spline flags 0x0003");
  ExpectPositions(node.targetTrack, 2, 100.0f, "target, spline flags 0x001f");
  EXPECT_EQ(node.positionTrack.trackFlags, 0x0040);
  ASSERT_EQ(node.rollTrack.values.count, 3u);
  EXPECT_EQ(node.rollTrack.values[2], 10.0f);
  EXPECT_EQ(node.rollTrack.frames[2], 20u);
  EXPECT_EQ(loader.FindNode("Camera1"), loader.nodes[0]);
  EXPECT_EQ(loader.FindNode("camera1"), nullptr);
  EXPECT_EQ(loader.FindNode("Box01"), nullptr);
}

// Order camera A, camera B, target A, target B: each header makes its node current, so the
// targets go to their own cameras. 26 keys log as ---1a, 9 as ---9.
TEST_F(KeyframerTest, InterleavedNodesAndHexKeyCounts) {
  Loader3DS loader;
  ASSERT_TRUE(LoadBytes(loader, write3ds::TwoCameraKeyframes()));
  ASSERT_EQ(loader.nodes.count, 2u);
  EXPECT_STREQ(loader.nodes[0]->name, "CamA");
  EXPECT_STREQ(loader.nodes[1]->name, "CamB");
  ExpectPositions(loader.nodes[0]->positionTrack, 2, 1.0f, "A position");
  ExpectPositions(loader.nodes[1]->positionTrack, 26, 50.0f, "B position");
  ExpectPositions(loader.nodes[0]->targetTrack, 9, 200.0f, "A target");
  ExpectPositions(loader.nodes[1]->targetTrack, 1, 300.0f, "B target");
  EXPECT_EQ(loader.nodes[1]->rollTrack.values.count, 26u);
  const std::string log = ReadLog();
  EXPECT_NE(log.find("  -Position\n---1a\n"), std::string::npos);
  EXPECT_NE(log.find("  -Target\n---9\n"), std::string::npos);
  EXPECT_NE(log.find("Roll track\n---1a\n"), std::string::npos);
}

// Spline flags: 0x0001..0x0010 each add one f32 before the values; higher bits add nothing.
TEST_F(KeyframerTest, SplineFlagPadding) {
  struct Case {
    uint16_t flags;
    uint32_t paddingBytes;
  };
  const Case cases[] = {{0x0000, 0}, {0x0001, 4}, {0x0003, 8}, {0x0010, 4}, {0x001F, 20}, {0x00E0, 0}, {0xFFFF, 20}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.flags);
    Writer3DS w;
    w.Begin(0x4D4D).Begin(0xB000).Begin(0xB003);
    w.Begin(0xB010).Text("Cam").U16s({0, 0, 0}).End();
    w.Begin(0xB020).TrackHeader(0, 2);
    w.U32(0).U16(c.flags);
    for (uint32_t i = 0; i < c.paddingBytes / 4; ++i) w.F32(-1.0f);
    w.Floats({1, 2, 3});
    w.Key(5, 0, {4, 5, 6});
    w.End().End().End().End();
    Loader3DS loader;
    ASSERT_TRUE(LoadWritten(loader, w));
    ASSERT_EQ(loader.nodes.count, 1u);
    const PositionTrack& t = loader.nodes[0]->positionTrack;
    ASSERT_EQ(t.values.count, 2u);
    EXPECT_EQ(t.values[0].x, 1.0f);
    EXPECT_EQ(t.values[0].z, 3.0f);
    EXPECT_EQ(t.frames[1], 5u);
    EXPECT_EQ(t.values[1].y, 5.0f);
  }
}

// Object and light nodes are skipped whole and change neither the node kind nor the current node;
// a second header of a known name appends to its tracks; names differing in case are two nodes.
TEST_F(KeyframerTest, SkippedNodesSecondHeadersAndCase) {
  Writer3DS w;
  w.Begin(0x4D4D).Begin(0xB000);
  w.Begin(0xB003).Begin(0xB010).Text("Cam").U16s({1, 2, 3}).End();
  w.Begin(0xB020).TrackHeader(0, 1).Key(0, 0, {1, 1, 1}).End().End();
  w.Begin(0xB002).Begin(0xB010).Text("Box").U16s({0, 0, 0}).End();
  w.Begin(0xB020).TrackHeader(0, 1).Key(0, 0, {9, 9, 9}).End().End();
  w.Begin(0xB005).Begin(0xB010).Text("Lamp").U16s({0, 0, 0}).End().End();
  w.Begin(0xB020).TrackHeader(7, 1).Key(3, 0, {2, 2, 2}).End();  // still camera kind, node "Cam"
  w.Begin(0xB003).Begin(0xB010).Text("cam").U16s({4, 5, 6}).End().End();
  w.Begin(0xB003).Begin(0xB010).Text("Cam").U16s({7, 8, 9}).End();
  w.Begin(0xB020).TrackHeader(0, 0).End().End();
  w.End().End();
  Loader3DS loader;
  ASSERT_TRUE(LoadWritten(loader, w));
  ASSERT_EQ(loader.nodes.count, 2u);
  const KeyframeObjectInfo& cam = *loader.nodes[0];
  EXPECT_STREQ(cam.name, "Cam");
  EXPECT_EQ(cam.parent, 3);
  ASSERT_EQ(cam.positionTrack.values.count, 2u);
  EXPECT_EQ(cam.positionTrack.values[1].x, 2.0f);
  EXPECT_EQ(cam.positionTrack.keyCount, 0u);  // the last header read into the track
  EXPECT_STREQ(loader.nodes[1]->name, "cam");
  EXPECT_EQ(loader.nodes[1]->flags1, 4);
  // The empty track logs its kind line and no count.
  const std::string log = ReadLog();
  EXPECT_EQ(log.substr(log.size() - std::string("Position track\n  -Position\n").size()), "Position track\n  -Position\n");
}

// Tracks with nowhere to go are skipped whole with only their header line: before any node
// header, and outside camera and target nodes (node kind 0).
TEST_F(KeyframerTest, TracksWithoutANodeAreSkipped) {
  Writer3DS w;
  w.Begin(0x4D4D).Begin(0xB000);
  w.Begin(0xB003).Begin(0xB020).TrackHeader(0, 1).Key(0, 0, {1, 1, 1}).End();
  w.Begin(0xB024).TrackHeader(0, 1).Key(0, 0, {1}).End().End();
  w.End().End();
  w.Begin(0xB010).Text("Loose").U16s({0, 0, 0}).End();  // node header with node kind 1 from above
  Writer3DS kindZero;
  kindZero.Begin(0x4D4D).Begin(0xB010).Text("Loose").U16s({0, 0, 0}).End();
  kindZero.Begin(0xB020).TrackHeader(0, 1).Key(0, 0, {1, 1, 1}).End().End();
  {
    Loader3DS loader;
    ASSERT_TRUE(LoadWritten(loader, w));
    EXPECT_EQ(loader.nodes.count, 1u);
    const std::string log = ReadLog();
    EXPECT_EQ(log.find("Position track"), std::string::npos);
    EXPECT_EQ(log.find("Roll track"), std::string::npos);
  }
  {
    Loader3DS loader;
    ASSERT_TRUE(LoadWritten(loader, kindZero));
    ASSERT_EQ(loader.nodes.count, 1u);
    EXPECT_EQ(loader.nodes[0]->positionTrack.values.count, 0u);
    EXPECT_EQ(ReadLog().find("Position track"), std::string::npos);
  }
}

}  // namespace
