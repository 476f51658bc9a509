// gen_sphere -- writes the sphere distortion's mesh as OUTDIR/sphere6divs.x
//
// usage: gen_sphere OUTDIR   (the demo's media folder, demo/media)
#include <cstdio>
#include <string>

#include "tools/media/sphere.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: gen_sphere OUTDIR\n");
    return 2;
  }
  media::SphereMesh mesh = media::SubdividedSphere(6);
  std::string text = media::SphereXFile(mesh, "Sphere6Divs", media::kDemoSphereRadius);
  std::string path = std::string(argv[1]) + "/sphere6divs.x";
  FILE* file = std::fopen(path.c_str(), "wb");
  bool written = file && std::fwrite(text.data(), 1, text.size(), file) == text.size();
  if (file && std::fclose(file) != 0) written = false;
  if (!written) {
    std::fprintf(stderr, "gen_sphere: %s: cannot be written\n", path.c_str());
    return 1;
  }
  std::printf("gen_sphere: %s written (%zu vertices, %zu faces)\n", path.c_str(), mesh.positions.size(),
              mesh.faces.size() / 3);
  return 0;
}
