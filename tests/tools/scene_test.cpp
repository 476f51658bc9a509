// scene_test.cpp -- the generated hall read back with the demo's own 3DS reader: names, placement,
// face winding under the loader's axis rules, the spot light, and camera flights that stay inside
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "src/import3ds/loader3ds.h"
#include "tools/media/flights.h"
#include "tools/media/maps.h"
#include "tools/media/scene3ds.h"

namespace {

using media::Vec3;

class HallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    world = media::HallWorld();
    std::string error;
    bytes = media::WriteScene3DS(world, &error);
    ASSERT_FALSE(bytes.empty()) << error;
    loader.logPath = ::testing::TempDir() + "hall_log.txt";
    ASSERT_TRUE(loader.LoadImage("scene1texkey.3ds", "media/maps/", bytes.data(), static_cast<uint32_t>(bytes.size())))
        << loader.Problem();
  }
  void TearDown() override { std::remove(loader.logPath.c_str()); }

  const TriangleMesh* Mesh(const std::string& name) {
    for (uint32_t i = 0; i < loader.meshes.count; ++i)
      if (name == loader.meshes.items[i]->name) return loader.meshes.items[i];
    return nullptr;
  }

  media::World world;
  std::vector<uint8_t> bytes;
  Loader3DS loader;
};

// The loader's rules: a file vertex (x, y, z) is the scene's (x, z, y), plus the translation as
// stored; a file face (a, b, c) is drawn as (c, b, a).
Vec3 SceneVertex(const TriangleMesh& m, uint32_t i) {
  float v[3];
  m.Vertex(i, v);
  return {v[0] + m.localMatrix[9], v[2] + m.localMatrix[10], v[1] + m.localMatrix[11]};
}
void DrawnTriangle(const TriangleMesh& m, uint32_t f, Vec3 p[3]) {
  uint16_t abc[4];
  m.Face(f, abc);
  p[0] = SceneVertex(m, abc[2]);
  p[1] = SceneVertex(m, abc[1]);
  p[2] = SceneVertex(m, abc[0]);
}

// Open air of the hall, from the hall's own measures (an oracle independent of the builder):
// inside the walls and above the floor, outside the plinth, steps, columns and boxes.
bool Air(Vec3 p, const media::World& world) {
  if (std::fabs(p.x) >= 100 || std::fabs(p.z) >= 100 || p.y <= 0 || p.y >= 56) return false;
  if ((std::fabs(p.x) > 98.5f || std::fabs(p.z) > 98.5f) && p.y < 3) return false;  // plinth
  const float steps[3] = {30, 24, 18};
  for (int k = 0; k < 3; ++k)
    if (std::fabs(p.x) < steps[k] && std::fabs(p.z) < steps[k] && p.y < 3.0f * (k + 1)) return false;
  for (const Vec3& c : world.obstacles.columns) {
    float dx = p.x - c.x, dz = p.z - c.z;
    bool block = std::fabs(dx) < 6 && std::fabs(dz) < 6 && (p.y < 4 || (p.y > 48 && p.y < 52));
    if (block || (std::hypot(dx, dz) < 4.1f && p.y < 52)) return false;  // octagonal shaft, inner radius
  }
  const float halves[3] = {10, 8, 9};
  for (int b = 0; b < 3; ++b) {
    Vec3 d = p - world.obstacles.boxCentres[b];
    if (std::fabs(d.x) < halves[b] && std::fabs(d.y) < halves[b] && std::fabs(d.z) < halves[b]) return false;
  }
  return true;
}

TEST_F(HallTest, HoldsEveryNameTheSceneShotsAndTheRendererLookFor) {
  for (const char* box : {"Box01", "Box02", "Box03"}) EXPECT_NE(nullptr, Mesh(box)) << box;
  for (const char* camera : {"Camera1", "Camera02", "Camera03"}) {
    KeyframeObjectInfo* node = loader.FindNode(camera);
    ASSERT_NE(nullptr, node) << camera;
    // All seven channels carry keys: position, target and roll.
    EXPECT_GE(node->positionTrack.values.count, 4u) << camera;
    EXPECT_EQ(node->positionTrack.values.count, node->targetTrack.values.count) << camera;
    EXPECT_EQ(node->positionTrack.values.count, node->rollTrack.values.count) << camera;
  }
  ASSERT_GE(loader.lights.count, 1u);
  const LightRecord* light = loader.lights.items[0];
  EXPECT_EQ(1, light->isSpot);
  EXPECT_FLOAT_EQ(40.0f, light->hotspot);
  EXPECT_FLOAT_EQ(60.0f, light->falloff);
  EXPECT_EQ(3u, loader.cameras.count);
}

TEST_F(HallTest, EveryMaterialHasAGeneratedMapAndEveryGroupAMaterial) {
  for (uint32_t i = 0; i < loader.materials.count; ++i) {
    const MaterialRecord* m = loader.materials.items[i];
    ASSERT_NE(nullptr, m->mapFile) << m->name;
    bool generated = false;
    for (const media::NamedMap& map : media::SceneMaps()) generated = generated || map.file == m->mapFile;
    EXPECT_TRUE(generated) << m->name << " names " << m->mapFile;
    for (int c = 0; c < 3; ++c) EXPECT_GE(m->diffuse[c], 0.0f) << m->name << ": colours are byte colours";
  }
  for (uint32_t i = 0; i < loader.meshes.count; ++i) {
    const TriangleMesh* mesh = loader.meshes.items[i];
    EXPECT_EQ(mesh->vertexCount, mesh->mapCoordCount) << mesh->name;
    ASSERT_GE(mesh->faceGroups.count, 1u) << mesh->name;
    uint32_t grouped = 0;
    for (uint32_t g = 0; g < mesh->faceGroups.count; ++g) {
      const FaceMaterialGroup* group = mesh->faceGroups.items[g];
      grouped += group->faceCount;
      bool found = false;
      for (uint32_t k = 0; k < loader.materials.count; ++k)
        found = found || std::string(group->materialName) == loader.materials.items[k]->name;
      EXPECT_TRUE(found) << mesh->name << " group " << group->materialName;
    }
    EXPECT_EQ(mesh->faceCount, grouped) << mesh->name << ": every face in exactly one group";
  }
}

// The boxes spin about their own origin: their vertices are centred on it and the matrix
// translation alone places them, high enough that a turning box never cuts the dais or floor.
TEST_F(HallTest, BoxesAreCentredOnTheirOriginAndPlacedByTheirTranslation) {
  struct Case {
    const char* name;
    Vec3 centre;
    float half;
  } cases[] = {{"Box01", {0, 34, 0}, 10}, {"Box02", {-34, 26, 26}, 8}, {"Box03", {30, 30, -30}, 9}};
  for (const Case& c : cases) {
    const TriangleMesh* mesh = Mesh(c.name);
    ASSERT_NE(nullptr, mesh) << c.name;
    Vec3 sum;
    for (uint32_t i = 0; i < mesh->vertexCount; ++i) {
      float v[3];
      mesh->Vertex(i, v);
      sum = sum + Vec3{v[0], v[1], v[2]};
      for (float x : v) EXPECT_NEAR(c.half, std::fabs(x), 1e-4f) << c.name;
    }
    EXPECT_NEAR(0.0f, Length(sum), 1e-3f) << c.name;
    EXPECT_FLOAT_EQ(c.centre.x, mesh->localMatrix[9]) << c.name;
    EXPECT_FLOAT_EQ(c.centre.y, mesh->localMatrix[10]) << c.name;
    EXPECT_FLOAT_EQ(c.centre.z, mesh->localMatrix[11]) << c.name;
    EXPECT_GT(c.centre.y - c.half * std::sqrt(3.0f), 9.0f) << c.name << " would cut the dais while turning";
  }
}

// Under the loader's rules every drawn triangle runs clockwise seen from open air, so Direct3D's
// default culling keeps it: a step behind a face never lands in open air. (A step in front may
// land in a solid where a face is covered, as the floor under the steps is.)
TEST_F(HallTest, EveryFaceShowsItsFrontToOpenAir) {
  for (uint32_t i = 0; i < loader.meshes.count; ++i) {
    const TriangleMesh* mesh = loader.meshes.items[i];
    int wrong = 0, seen = 0;
    for (uint32_t f = 0; f < mesh->faceCount; ++f) {
      Vec3 p[3];
      DrawnTriangle(*mesh, f, p);
      Vec3 n = Cross(p[1] - p[0], p[2] - p[0]);
      ASSERT_GT(Length(n), 0.0f) << mesh->name << " face " << f << " is degenerate";
      n = n * (0.25f / Length(n));
      Vec3 centre = (p[0] + p[1] + p[2]) * (1.0f / 3.0f);
      if (Air(centre - n, world)) ++wrong;
      if (Air(centre + n, world)) ++seen;
    }
    EXPECT_EQ(0, wrong) << mesh->name << ": faces turned away from the open air";
    EXPECT_GT(seen, mesh->faceCount / 3) << mesh->name << ": most faces border open air";
  }
}

TEST_F(HallTest, StaticRecordsAreExchangedAndKeysAreNot) {
  const LightRecord* light = loader.lights.items[0];
  EXPECT_FLOAT_EQ(world.light.position.x, light->position[0]);
  EXPECT_FLOAT_EQ(world.light.position.y, light->position[2]);
  EXPECT_FLOAT_EQ(world.light.position.z, light->position[1]);
  // The light aims down at the floor's middle, but not straight down (no up direction there).
  Vec3 d = world.light.target - world.light.position;
  EXPECT_LT(d.y, -0.9f * Length(d));
  EXPECT_GT(std::hypot(d.x, d.z), 0.05f * Length(d));
  const CameraRecord* camera = loader.cameras.items[0];
  const KeyframeObjectInfo* node = loader.FindNode(camera->name);
  ASSERT_NE(nullptr, node);
  TrackVector first = node->positionTrack.values.items[0];
  EXPECT_FLOAT_EQ(first.x, camera->position[0]);
  EXPECT_FLOAT_EQ(first.y, camera->position[2]);
  EXPECT_FLOAT_EQ(first.z, camera->position[1]);
}

// The flights as the file holds them, sampled with the demo's curve, stay in the hall, keep
// clear of everything solid and look at something; each lasts 30 to 60 s with keys every 5-10 s.
TEST_F(HallTest, CameraFlightsReadBackStayInsideTheHall) {
  media::World fromFile = world;
  fromFile.flights.clear();
  for (uint32_t i = 0; i < loader.nodes.count; ++i) {
    const KeyframeObjectInfo* node = loader.nodes.items[i];
    media::CameraFlight flight{node->name, {}};
    for (uint32_t k = 0; k < node->positionTrack.values.count; ++k) {
      TrackVector e = node->positionTrack.values.items[k], t = node->targetTrack.values.items[k];
      EXPECT_EQ(node->positionTrack.frames.items[k], node->targetTrack.frames.items[k]);
      flight.keys.push_back({node->positionTrack.frames.items[k], {e.x, e.y, e.z}, {t.x, t.y, t.z}});
    }
    ASSERT_GE(flight.keys.size(), 2u);
    EXPECT_GE(flight.keys.back().frame, 300u) << flight.name;
    EXPECT_LE(flight.keys.back().frame, 600u) << flight.name;
    for (size_t k = 1; k < flight.keys.size(); ++k) {
      uint32_t gap = flight.keys[k].frame - flight.keys[k - 1].frame;
      EXPECT_GE(gap, 50u) << flight.name;
      EXPECT_LE(gap, 100u) << flight.name;
    }
    fromFile.flights.push_back(flight);
  }
  EXPECT_EQ(3u, fromFile.flights.size());
  std::vector<std::string> problems = media::CheckFlights(fromFile);
  for (const std::string& p : problems) ADD_FAILURE() << p;
}

// The check itself catches the faults it exists for.
TEST(FlightCheck, ReportsFlightsThatLeaveTheHallOrHitSomething) {
  struct Case {
    const char* what;
    Vec3 eye, target;
    const char* expected;
  } cases[] = {
      {"through the wall", {120, 20, 0}, {0, 20, 0}, "outside the hall"},
      {"under the floor", {80, -5, 0}, {0, 20, 0}, "floor"},
      {"into a column", {57.28f, 20, 23.73f}, {0, 20, 0}, "column"},
      {"into a box", {2, 34, 2}, {50, 20, 0}, "box"},
      {"straight down", {80, 90, 0}, {80, 0, 0.5f}, "steep"},
      {"at nothing outside", {80, 20, 0}, {300, 20, 0}, "target outside"},
  };
  for (const Case& c : cases) {
    media::World world = media::HallWorld();
    world.flights = {media::CameraFlight{"Test", {{0, {80, 20, 60}, {0, 20, 0}}, {100, c.eye, c.target}}}};
    std::vector<std::string> problems = media::CheckFlights(world);
    ASSERT_EQ(1u, problems.size()) << c.what;
    EXPECT_NE(std::string::npos, problems[0].find(c.expected)) << c.what << ": " << problems[0];
  }
}

// The curve is the demo's: hand-computed values of the per-channel Catmull-Rom.
TEST(FlightCurve, MatchesTheDemosSplineAtKnownPoints) {
  struct Case {
    std::vector<float> times, values;
    float at, expected;
  } cases[] = {
      {{0, 10}, {0, 10}, 2.5f, 2.5f},          {{0, 10, 20}, {0, 10, 0}, 5, 6.25f},
      {{0, 10, 20}, {0, 10, 0}, 15, 6.25f},    {{0, 10, 20}, {0, 10, 0}, 10, 10},
      {{0, 10, 20, 30}, {0, 10, 0, 10}, 15, 5}, {{5, 15}, {3, 7}, 0, 3},
      {{5, 15}, {3, 7}, 99, 7},                 {{4}, {9}, 100, 9},
  };
  for (const Case& c : cases)
    EXPECT_NEAR(c.expected, media::EvaluateChannel(c.times, c.values, c.at), 1e-5f) << "at " << c.at;
}

}  // namespace
