// sphere.cpp -- tetrahedron subdivision with shared edge midpoints, and the .x text
#include "tools/media/sphere.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <utility>

namespace media {

namespace {

Vec3 Normalised(Vec3 p) { return p * (1.0f / Length(p)); }

class Subdivider {
 public:
  explicit Subdivider(SphereMesh& mesh) : mesh(mesh) {}

  // The vertex halfway along edge (a, b), made once and shared by both faces of the edge.
  uint32_t Midpoint(uint32_t a, uint32_t b) {
    std::pair<uint32_t, uint32_t> key{std::min(a, b), std::max(a, b)};
    auto found = midpoints.find(key);
    if (found != midpoints.end()) return found->second;
    uint32_t index = static_cast<uint32_t>(mesh.positions.size());
    mesh.positions.push_back(Normalised((mesh.positions[a] + mesh.positions[b]) * 0.5f));
    midpoints.emplace(key, index);
    return index;
  }

 private:
  SphereMesh& mesh;
  std::map<std::pair<uint32_t, uint32_t>, uint32_t> midpoints;
};

// "%.6f" without a minus sign on zero, so the text does not depend on how a zero was reached.
void Number(std::string& out, float v) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6f", static_cast<double>(v));
  out += std::string(text) == "-0.000000" ? "0.000000" : text;
}

}  // namespace

SphereMesh SubdividedSphere(int divisions) {
  SphereMesh mesh;
  const float k = 1.0f / std::sqrt(3.0f);
  mesh.positions = {{k, k, k}, {k, -k, -k}, {-k, k, -k}, {-k, -k, k}};
  const uint32_t corners[4][3] = {{0, 1, 2}, {0, 2, 3}, {0, 3, 1}, {1, 3, 2}};
  for (const auto& t : corners) {
    // Seen from outside the face must run clockwise, which in these left-handed axes means
    // (b - a) x (c - a) points away from the centre.
    Vec3 a = mesh.positions[t[0]], b = mesh.positions[t[1]], c = mesh.positions[t[2]];
    bool outward = Dot(Cross(b - a, c - a), a + b + c) > 0;
    mesh.faces.insert(mesh.faces.end(), {t[0], outward ? t[1] : t[2], outward ? t[2] : t[1]});
  }
  for (int d = 0; d < divisions; ++d) {
    Subdivider split(mesh);
    std::vector<uint32_t> faces;
    faces.reserve(mesh.faces.size() * 4);
    for (size_t f = 0; f < mesh.faces.size(); f += 3) {
      uint32_t a = mesh.faces[f], b = mesh.faces[f + 1], c = mesh.faces[f + 2];
      uint32_t ab = split.Midpoint(a, b), bc = split.Midpoint(b, c), ca = split.Midpoint(c, a);
      faces.insert(faces.end(), {a, ab, ca, ab, b, bc, ca, bc, c, ab, bc, ca});
    }
    mesh.faces = std::move(faces);
  }
  return mesh;
}

std::string SphereXFile(const SphereMesh& mesh, const std::string& name, float radius) {
  std::string out = "xof 0303txt 0032\n";
  out += "// " + name + " -- a sphere: a tetrahedron whose faces were split in four six times\n";
  out += "Mesh " + name + " {\n " + std::to_string(mesh.positions.size()) + ";\n";
  for (size_t i = 0; i < mesh.positions.size(); ++i) {
    const Vec3 p = mesh.positions[i] * radius;
    out += " ";
    Number(out, p.x);
    out += ";";
    Number(out, p.y);
    out += ";";
    Number(out, p.z);
    out += i + 1 < mesh.positions.size() ? ";,\n" : ";;\n";
  }
  size_t faces = mesh.faces.size() / 3;
  out += " " + std::to_string(faces) + ";\n";
  for (size_t f = 0; f < faces; ++f) {
    out += " 3;" + std::to_string(mesh.faces[3 * f]) + "," + std::to_string(mesh.faces[3 * f + 1]) + "," +
           std::to_string(mesh.faces[3 * f + 2]);
    out += f + 1 < faces ? ";,\n" : ";;\n";
  }
  out += "}\n";
  return out;
}

}  // namespace media
