// world.cpp -- the hall: geometry built from quads, the light and the camera flights
#include "tools/media/world.h"

#include <cmath>

namespace media {

namespace {

constexpr float kPi = 3.14159265f;

constexpr float kHallHalf = 100.0f;  // the hall is 200 x 200
constexpr float kWallHeight = 56.0f;
constexpr float kPlinthHeight = 3.0f, kPlinthDepth = 1.5f;
constexpr float kRingRadius = 62.0f;  // columns stand on this circle
constexpr int kColumns = 8;
constexpr float kShaftRadius = 4.5f, kFootHalf = 6.0f, kFootHeight = 4.0f;
constexpr float kColumnHeight = 52.0f;
constexpr float kStepHeight = 3.0f;
const float kStepHalves[] = {30.0f, 24.0f, 18.0f};

// Builds one mesh out of quads; each quad is split into triangles facing a given side.
class MeshBuilder {
 public:
  explicit MeshBuilder(WorldMesh& mesh) : mesh(mesh) {}

  // Starts a face group; following quads belong to it.
  void Group(const std::string& material) { mesh.groups.push_back({material, {}}); }

  // The quad o + s U + t V (s, t in [0, 1]) as cellsU x cellsV cells, facing the side `front`
  // points to; the map coordinate runs from uv0 by |U| / texU along U and |V| / texV along V.
  void Quad(Vec3 o, Vec3 u, Vec3 v, Vec3 front, float texU, float texV, int cellsU = 1, int cellsV = 1,
            float u0 = 0, float v0 = 0) {
    bool flip = Dot(Cross(u, v), front) < 0;
    uint16_t base = static_cast<uint16_t>(mesh.positions.size());
    for (int j = 0; j <= cellsV; ++j)
      for (int i = 0; i <= cellsU; ++i) {
        float s = static_cast<float>(i) / cellsU, t = static_cast<float>(j) / cellsV;
        mesh.positions.push_back(o + u * s + v * t);
        mesh.uvs.push_back(u0 + s * Length(u) / texU);
        mesh.uvs.push_back(v0 + t * Length(v) / texV);
      }
    for (int j = 0; j < cellsV; ++j)
      for (int i = 0; i < cellsU; ++i) {
        uint16_t a = static_cast<uint16_t>(base + j * (cellsU + 1) + i);
        uint16_t b = static_cast<uint16_t>(a + 1), d = static_cast<uint16_t>(a + cellsU + 1);
        uint16_t c = static_cast<uint16_t>(d + 1);
        // a = o, b = o + U, c = o + U + V, d = o + V: (a, b, c) and (a, c, d) face along U x V.
        if (flip) {
          Triangle(a, c, b);
          Triangle(a, d, c);
        } else {
          Triangle(a, b, c);
          Triangle(a, c, d);
        }
      }
  }

  // An axis-aligned box from lo to hi, faces outwards, each face mapped once across the map
  // (texture size 0) or by world size. Without a bottom face when `bottom` is false.
  void Box(Vec3 lo, Vec3 hi, float tex = 0, bool bottom = true) {
    Vec3 size = hi - lo;
    auto scale = [&](float length) { return tex > 0 ? tex : length; };
    Vec3 dx{size.x, 0, 0}, dz{0, 0, size.z};
    Vec3 down{0, -size.y, 0};
    // Sides: U runs along the face, V downwards, so the map stands upright.
    Quad({lo.x, hi.y, lo.z}, dx, down, {0, 0, -1}, scale(size.x), scale(size.y));
    Quad({hi.x, hi.y, hi.z}, dx * -1, down, {0, 0, 1}, scale(size.x), scale(size.y));
    Quad({lo.x, hi.y, hi.z}, dz * -1, down, {-1, 0, 0}, scale(size.z), scale(size.y));
    Quad({hi.x, hi.y, lo.z}, dz, down, {1, 0, 0}, scale(size.z), scale(size.y));
    Quad({lo.x, hi.y, hi.z}, dx, dz * -1, {0, 1, 0}, scale(size.x), scale(size.z));
    if (bottom) Quad({lo.x, lo.y, lo.z}, dx, dz, {0, -1, 0}, scale(size.x), scale(size.z));
  }

 private:
  void Triangle(uint16_t a, uint16_t b, uint16_t c) {
    mesh.groups.back().faces.push_back(static_cast<uint16_t>(mesh.faces.size() / 3));
    mesh.faces.insert(mesh.faces.end(), {a, b, c});
  }

  WorldMesh& mesh;
};

WorldMesh Floor() {
  WorldMesh mesh{"Floor", {}, {}, {}, {}, {}};
  MeshBuilder b(mesh);
  b.Group("Tiles");
  // Cells of 10 units, so a light computed per vertex still draws a round pool.
  b.Quad({-kHallHalf, 0, kHallHalf}, {2 * kHallHalf, 0, 0}, {0, 0, -2 * kHallHalf}, {0, 1, 0}, 25, 25, 20, 20);
  return mesh;
}

WorldMesh Walls() {
  WorldMesh mesh{"Walls", {}, {}, {}, {}, {}};
  MeshBuilder b(mesh);
  b.Group("Brick");
  for (int side = 0; side < 4; ++side) {
    // Corner where the wall starts (seen from inside, left end at the top) and its direction.
    float a = static_cast<float>(side) * kPi / 2;
    Vec3 along{std::cos(a), 0, std::sin(a)};
    Vec3 inward{-along.z, 0, along.x};
    Vec3 start = along * -kHallHalf + inward * -kHallHalf;
    b.Quad(start + Vec3{0, kWallHeight, 0}, along * (2 * kHallHalf), {0, -kWallHeight, 0}, inward, 25, 25, 20, 6);
  }
  b.Group("Glaze");
  for (int side = 0; side < 4; ++side) {
    float a = static_cast<float>(side) * kPi / 2;
    Vec3 along{std::cos(a), 0, std::sin(a)};
    Vec3 inward{-along.z, 0, along.x};
    Vec3 start = along * -kHallHalf + inward * (kPlinthDepth - kHallHalf);
    b.Quad(start + Vec3{0, kPlinthHeight, 0}, along * (2 * kHallHalf), {0, -kPlinthHeight, 0}, inward, 12, 12, 20, 1);
    b.Quad(start + Vec3{0, kPlinthHeight, 0} + inward * -kPlinthDepth, along * (2 * kHallHalf), inward * kPlinthDepth,
           {0, 1, 0}, 12, 12, 20, 1);
  }
  return mesh;
}

WorldMesh Dais() {
  WorldMesh mesh{"Dais", {}, {}, {}, {}, {}};
  MeshBuilder b(mesh);
  b.Group("Sandstone");
  for (int step = 0; step < 3; ++step) {
    float h = kStepHalves[step], y = static_cast<float>(step) * kStepHeight;
    b.Box({-h, y, -h}, {h, y + kStepHeight, h}, 20, false);
  }
  return mesh;
}

WorldMesh Columns(std::vector<Vec3>* feet) {
  WorldMesh mesh{"Columns", {}, {}, {}, {}, {}};
  MeshBuilder b(mesh);
  for (int k = 0; k < kColumns; ++k) {
    float a = (static_cast<float>(k) + 0.5f) * 2 * kPi / kColumns;
    feet->push_back({kRingRadius * std::cos(a), 0, kRingRadius * std::sin(a)});
  }
  b.Group("Sandstone");
  const int sides = 8;
  for (const Vec3& c : *feet) {
    for (int s = 0; s < sides; ++s) {
      float a0 = static_cast<float>(s) * 2 * kPi / sides, a1 = static_cast<float>(s + 1) * 2 * kPi / sides;
      Vec3 p0 = c + Vec3{kShaftRadius * std::cos(a0), kColumnHeight - kFootHeight, kShaftRadius * std::sin(a0)};
      Vec3 p1 = c + Vec3{kShaftRadius * std::cos(a1), kColumnHeight - kFootHeight, kShaftRadius * std::sin(a1)};
      Vec3 mid = (p0 + p1) * 0.5f - c;
      b.Quad(p0, p1 - p0, {0, -(kColumnHeight - 2 * kFootHeight), 0}, {mid.x, 0, mid.z}, 12, 25, 1, 4,
             static_cast<float>(s) * 0.3f, 0);
    }
  }
  b.Group("Glaze");
  for (const Vec3& c : *feet) {
    b.Box(c + Vec3{-kFootHalf, 0, -kFootHalf}, c + Vec3{kFootHalf, kFootHeight, kFootHalf}, 12, false);
    b.Box(c + Vec3{-kFootHalf, kColumnHeight - kFootHeight, -kFootHalf}, c + Vec3{kFootHalf, kColumnHeight, kFootHalf},
          12, true);
  }
  return mesh;
}

WorldMesh SpinningBox(const std::string& name, const std::string& material, Vec3 centre, float size) {
  WorldMesh mesh{name, {}, {}, {}, {}, centre};
  MeshBuilder b(mesh);
  b.Group(material);
  float h = size / 2;
  b.Box({-h, -h, -h}, {h, h, h});  // centred on its own origin: the box spins in place
  return mesh;
}

FlightKey Key(uint32_t frame, Vec3 eye, Vec3 target) { return FlightKey{frame, eye, target}; }

// A slow orbit above the column heads, rising and sinking, always looking down on the dais.
CameraFlight OrbitFlight() {
  CameraFlight flight{"Camera1", {}};
  const int keys = 9;
  for (int k = 0; k < keys; ++k) {
    float a = -kPi / 2 + static_cast<float>(k) * kPi / 4;
    float height = 60.0f + 6.0f * std::sin(static_cast<float>(k) * 1.3f);
    Vec3 eye{80.0f * std::cos(a), height, 80.0f * std::sin(a)};
    Vec3 target{6.0f * std::sin(static_cast<float>(k)), 14.0f + 6.0f * std::cos(static_cast<float>(k) * 0.7f), 0};
    flight.keys.push_back(Key(static_cast<uint32_t>(k) * 60, eye, target));
  }
  return flight;
}

// Low along the west wall, through the gap between two columns, past the boxes, rising at the end.
CameraFlight SweepFlight() {
  return CameraFlight{"Camera02",
                      {
                          Key(0, {-84, 22, -84}, {0, 22, 0}),
                          Key(80, {-84, 18, -6}, {-34, 24, 26}),
                          Key(160, {-52, 16, 0}, {0, 22, 0}),
                          Key(240, {-36, 20, -36}, {30, 26, -30}),
                          Key(320, {-6, 22, -46}, {0, 30, 0}),
                          Key(400, {8, 44, -48}, {-10, 20, 10}),
                      }};
}

// From high above a corner, round over the column heads, down through a gap in the ring and
// close to the middle box.
CameraFlight CraneFlight() {
  return CameraFlight{"Camera03",
                      {
                          Key(0, {70, 92, 70}, {0, 0, 0}),
                          Key(90, {82, 72, -10}, {0, 8, 0}),
                          Key(180, {52, 64, -70}, {0, 18, 0}),
                          Key(270, {-58, 64, -58}, {0, 28, 0}),
                          Key(360, {-42, 38, -42}, {0, 34, 0}),
                          Key(450, {-28, 40, -28}, {0, 34, 0}),
                      }};
}

}  // namespace

float Length(Vec3 a) { return std::sqrt(Dot(a, a)); }

World HallWorld() {
  World world;
  // Colours ride along with the maps; the demo's renderer shades from the maps.
  world.materials = {
      {"Tiles", "floor.png", {60, 40, 32}, {230, 200, 170}, {90, 90, 90}},
      {"Brick", "wall.png", {60, 36, 28}, {200, 120, 90}, {40, 40, 40}},
      {"Sandstone", "stone.png", {64, 52, 40}, {220, 190, 150}, {50, 50, 50}},
      {"Glaze", "trim.png", {20, 50, 50}, {60, 170, 165}, {200, 220, 220}},
      {"Crate", "crate.png", {50, 36, 24}, {180, 130, 80}, {60, 60, 60}},
  };
  Obstacles& o = world.obstacles;
  world.meshes.push_back(Floor());
  world.meshes.push_back(Walls());
  world.meshes.push_back(Dais());
  world.meshes.push_back(Columns(&o.columns));
  struct BoxSpec {
    const char* name;
    const char* material;
    Vec3 centre;
    float size;
  };
  for (const BoxSpec& box : {BoxSpec{"Box01", "Crate", {0, 34, 0}, 20}, BoxSpec{"Box02", "Glaze", {-34, 26, 26}, 16},
                             BoxSpec{"Box03", "Crate", {30, 30, -30}, 18}}) {
    world.meshes.push_back(SpinningBox(box.name, box.material, box.centre, box.size));
    o.boxCentres.push_back(box.centre);
    o.boxRadii.push_back(box.size * 0.8661f);
  }
  // High above and a little aside of the middle: a light aimed straight down leaves its view
  // without an up direction.
  world.light = SpotLight{"Spot01", {18, 150, -14}, {0, 0, 0}, {255, 244, 226}, 40, 60};
  world.flights = {OrbitFlight(), SweepFlight(), CraneFlight()};
  world.ambient[0] = world.ambient[1] = world.ambient[2] = 40;
  o.columnClearance = kFootHalf * 1.4143f + 2.5f;
  o.columnHeight = kColumnHeight;
  o.hallHalf = kHallHalf;
  o.daisHalf = kStepHalves[0];
  o.daisTop = 3 * kStepHeight;
  return world;
}

}  // namespace media
