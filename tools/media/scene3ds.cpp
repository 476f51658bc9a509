// scene3ds.cpp -- the World in 3DS chunks: editor section (materials, meshes, light, cameras) and
// keyframer section (one camera node and one target node per flight)
#include "tools/media/scene3ds.h"

#include <algorithm>

#include "tools/write3ds/writer3ds.h"

namespace media {

namespace {

using write3ds::Writer3DS;

// Scene axes (Y up) to the file's (Z up): (x, y, z) is stored as (x, z, y).
void Exchanged(Writer3DS& w, Vec3 p) { w.Floats({p.x, p.z, p.y}); }

void Material(Writer3DS& w, const WorldMaterial& m) {
  w.Begin(0xAFFF);
  w.Begin(0xA000).Text(m.name).End();
  w.Begin(0xA010).ByteColour(m.ambient[0], m.ambient[1], m.ambient[2]).End();
  w.Begin(0xA020).ByteColour(m.diffuse[0], m.diffuse[1], m.diffuse[2]).End();
  w.Begin(0xA030).ByteColour(m.specular[0], m.specular[1], m.specular[2]).End();
  w.Begin(0xA200);
  w.Begin(0x0030).U16(100).End();  // map strength 100 %
  w.Begin(0xA300).Text(m.map).End();
  w.Begin(0xA354).F32(1.0f).End();
  w.Begin(0xA356).F32(1.0f).End();
  w.End();
  w.End();
}

void Mesh(Writer3DS& w, const WorldMesh& mesh) {
  w.Begin(0x4000).Text(mesh.name);
  w.Begin(0x4100);
  w.Begin(0x4110).U16(static_cast<uint16_t>(mesh.positions.size()));
  for (const Vec3& p : mesh.positions) Exchanged(w, p);
  w.End();
  w.Begin(0x4140).U16(static_cast<uint16_t>(mesh.positions.size()));
  for (float uv : mesh.uvs) w.F32(uv);
  w.End();
  // Axes of the file's identity frame, then the translation in scene axes, as the loader keeps it.
  w.Begin(0x4160).Floats({1, 0, 0, 0, 1, 0, 0, 0, 1, mesh.translation.x, mesh.translation.y, mesh.translation.z}).End();
  size_t faceCount = mesh.faces.size() / 3;
  w.Begin(0x4120).U16(static_cast<uint16_t>(faceCount));
  for (size_t f = 0; f < faceCount; ++f) w.U16s({mesh.faces[3 * f + 2], mesh.faces[3 * f + 1], mesh.faces[3 * f], 7});
  for (const FaceGroup& g : mesh.groups) {
    w.Begin(0x4130).Text(g.material).U16(static_cast<uint16_t>(g.faces.size()));
    for (uint16_t f : g.faces) w.U16(f);
    w.End();
  }
  w.End();  // face list
  w.End();  // trimesh
  w.End();  // object
}

void Light(Writer3DS& w, const SpotLight& light) {
  w.Begin(0x4000).Text(light.name);
  w.Begin(0x4600);
  Exchanged(w, light.position);
  w.ByteColour(light.colour[0], light.colour[1], light.colour[2]);
  w.Begin(0x4610);
  Exchanged(w, light.target);
  w.Floats({light.hotspot, light.falloff});
  w.End();
  w.End();
  w.End();
}

void Camera(Writer3DS& w, const CameraFlight& flight) {
  w.Begin(0x4000).Text(flight.name);
  w.Begin(0x4700);
  Exchanged(w, flight.keys.front().eye);
  Exchanged(w, flight.keys.front().target);
  w.Floats({0.0f, 35.0f});  // bank, lens
  w.Begin(0x4720).Floats({1.0f, 1000.0f}).End();  // near and far range
  w.End();
  w.End();
}

void PositionKeys(Writer3DS& w, const CameraFlight& flight, bool target) {
  w.Begin(0xB020).TrackHeader(0, static_cast<uint32_t>(flight.keys.size()));
  for (const FlightKey& k : flight.keys) {
    Vec3 p = target ? k.target : k.eye;
    w.Key(k.frame, 0, {p.x, p.y, p.z});  // keys stay in scene axes
  }
  w.End();
}

void Nodes(Writer3DS& w, const CameraFlight& flight, uint16_t id) {
  w.Begin(0xB003);
  w.Begin(0xB030).U16(id).End();
  w.Begin(0xB010).Text(flight.name).U16s({0x4000, 0, 0xFFFF}).End();
  PositionKeys(w, flight, false);
  w.Begin(0xB023).TrackHeader(0, 1).Key(0, 0, {45.0f}).End();  // field of view, for other readers
  w.Begin(0xB024).TrackHeader(0, static_cast<uint32_t>(flight.keys.size()));
  for (const FlightKey& k : flight.keys) w.Key(k.frame, 0, {0.0f});  // the camera never banks
  w.End();
  w.End();
  w.Begin(0xB004);
  w.Begin(0xB030).U16(static_cast<uint16_t>(id + 1)).End();
  w.Begin(0xB010).Text(flight.name).U16s({0x4000, 0, 0xFFFF}).End();
  PositionKeys(w, flight, true);
  w.End();
}

bool Check(const World& world, std::string* error) {
  for (const WorldMesh& mesh : world.meshes) {
    if (mesh.positions.size() > 65535 || mesh.faces.size() / 3 > 65535) {
      *error = "mesh \"" + mesh.name + "\" has more than 65535 vertices or faces";
      return false;
    }
    for (const FaceGroup& g : mesh.groups) {
      bool known = false;
      for (const WorldMaterial& m : world.materials) known = known || m.name == g.material;
      if (!known) {
        *error = "mesh \"" + mesh.name + "\" names the material \"" + g.material + "\", which the scene lacks";
        return false;
      }
    }
  }
  for (const CameraFlight& f : world.flights)
    if (f.keys.empty()) {
      *error = "camera \"" + f.name + "\" has no keys";
      return false;
    }
  return true;
}

}  // namespace

std::vector<uint8_t> WriteScene3DS(const World& world, std::string* error) {
  if (!Check(world, error)) return {};
  Writer3DS w;
  w.Begin(0x4D4D);
  w.Begin(0x0002).U32(3).End();
  w.Begin(0x3D3D);
  w.Begin(0x3D3E).U32(3).End();
  for (const WorldMaterial& m : world.materials) Material(w, m);
  w.Begin(0x0100).F32(1.0f).End();  // master scale
  w.Begin(0x2100).ByteColour(world.ambient[0], world.ambient[1], world.ambient[2]).End();
  // The light comes first among the lights: the renderer's shadow light is the file's first.
  Light(w, world.light);
  for (const WorldMesh& mesh : world.meshes) Mesh(w, mesh);
  for (const CameraFlight& f : world.flights) Camera(w, f);
  w.End();
  w.Begin(0xB000);
  uint32_t last = 0;
  for (const CameraFlight& f : world.flights) last = std::max(last, f.keys.back().frame);
  w.Begin(0xB00A).U16(5).Text("").U32(last).End();  // keyframer header
  w.Begin(0xB008).U32(0).U32(last).End();           // active frames
  uint16_t id = 0;
  for (const CameraFlight& f : world.flights) {
    Nodes(w, f, id);
    id = static_cast<uint16_t>(id + 2);
  }
  w.End();
  w.End();
  return w.Data();
}

}  // namespace media
