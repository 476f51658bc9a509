// gen_scene -- writes the hall scene as OUTDIR/scene1texkey.3ds, after checking its camera flights
//
// usage: gen_scene OUTDIR [--path]   (OUTDIR is the demo's media folder, demo/media)
// --path also prints each camera's eye and target every 50 frames (5 s), to read a flight.
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/media/flights.h"
#include "tools/media/scene3ds.h"
#include "tools/write3ds/writer3ds.h"

namespace {

void PrintPaths(const media::World& world) {
  for (const media::CameraFlight& flight : world.flights) {
    std::printf("%s: %u frames\n", flight.name.c_str(), flight.keys.back().frame);
    for (uint32_t frame = 0; frame <= flight.keys.back().frame; frame += 50) {
      media::Vec3 eye, target;
      media::EvaluateFlight(flight, static_cast<float>(frame), &eye, &target);
      std::printf("  frame %3u  eye %7.1f %6.1f %7.1f  target %6.1f %5.1f %6.1f\n", frame, eye.x, eye.y, eye.z,
                  target.x, target.y, target.z);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3 || (argc == 3 && std::strcmp(argv[2], "--path") != 0)) {
    std::fprintf(stderr, "usage: gen_scene OUTDIR [--path]\n");
    return 2;
  }
  media::World world = media::HallWorld();
  if (argc == 3) PrintPaths(world);
  std::vector<std::string> problems = media::CheckFlights(world);
  for (const std::string& p : problems) std::fprintf(stderr, "gen_scene: %s\n", p.c_str());
  if (!problems.empty()) return 1;
  std::string error;
  std::vector<uint8_t> bytes = media::WriteScene3DS(world, &error);
  if (bytes.empty()) {
    std::fprintf(stderr, "gen_scene: %s\n", error.c_str());
    return 1;
  }
  write3ds::Writer3DS file;
  file.Bytes(bytes);
  std::string path = std::string(argv[1]) + "/scene1texkey.3ds";
  if (!file.Save(path)) {
    std::fprintf(stderr, "gen_scene: %s: cannot be written\n", path.c_str());
    return 1;
  }
  std::printf("gen_scene: %s written (%zu bytes)\n", path.c_str(), bytes.size());
  return 0;
}
