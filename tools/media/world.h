// world.h -- the scene as the demo sees it: meshes, materials, the spot light and camera flights
//
// Everything here is in the demo's scene space: Direct3D's left-handed axes with Y up. A triangle
// (p0, p1, p2) faces the viewer for whom it runs clockwise, which is the side that
// (p1 - p0) x (p2 - p0) points to. The 3DS writer (scene3ds.h) turns this into the file's forms.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace media {

struct Vec3 {
  float x = 0, y = 0, z = 0;
};
inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(Vec3 a, float k) { return {a.x * k, a.y * k, a.z * k}; }
inline float Dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 Cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
float Length(Vec3 a);

struct WorldMaterial {
  std::string name;
  std::string map;  // file name under "media/maps/"
  uint8_t ambient[3], diffuse[3], specular[3];
};

struct FaceGroup {
  std::string material;
  std::vector<uint16_t> faces;
};

struct WorldMesh {
  std::string name;
  std::vector<Vec3> positions;  // relative to translation
  std::vector<float> uvs;       // u, v per position; v = 0 is the top row of the map
  std::vector<uint16_t> faces;  // three per triangle, clockwise from the side that shows
  std::vector<FaceGroup> groups;
  Vec3 translation;
};

struct SpotLight {
  std::string name;
  Vec3 position, target;
  uint8_t colour[3];
  float hotspot, falloff;  // degrees
};

struct FlightKey {
  uint32_t frame;  // keyframer frame: 100 ms of scene-shot time
  Vec3 eye, target;
};

struct CameraFlight {
  std::string name;
  std::vector<FlightKey> keys;  // rising frames
};

// Column centres, box centres and sizes: what the flights must keep clear of.
struct Obstacles {
  std::vector<Vec3> columns;   // foot centres on the floor
  float columnClearance = 0;   // horizontal distance a camera keeps from a column's axis
  float columnHeight = 0;
  std::vector<Vec3> boxCentres;
  std::vector<float> boxRadii;  // bounding sphere of each spinning box
  float hallHalf = 0;           // inner half-width of the hall
  float daisHalf = 0, daisTop = 0;
};

struct World {
  std::vector<WorldMaterial> materials;
  std::vector<WorldMesh> meshes;
  SpotLight light;
  std::vector<CameraFlight> flights;
  uint8_t ambient[3];
  Obstacles obstacles;
};

// The hall: a tiled floor, brick walls with a teal plinth, a ring of eight columns around a
// stepped dais, three floating boxes and three camera flights.
World HallWorld();

}  // namespace media
