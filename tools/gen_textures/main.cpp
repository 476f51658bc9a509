// gen_textures -- writes the scene's maps into OUTDIR/maps/ and the twelve sprite images into OUTDIR/
//
// usage: gen_textures OUTDIR   (the demo's media folder, demo/media)
#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "tools/media/maps.h"
#include "tools/media/sprites.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: gen_textures OUTDIR\n");
    return 2;
  }
  std::string out = argv[1];
  std::string maps = out + "/maps";
  mkdir(maps.c_str(), 0755);
  std::string error;
  int written = 0;
  for (const media::NamedMap& map : media::SceneMaps()) {
    if (!media::WritePng(map.draw(), maps + "/" + map.file, &error)) {
      std::fprintf(stderr, "gen_textures: %s\n", error.c_str());
      return 1;
    }
    ++written;
  }
  for (const media::NamedSprite& sprite : media::AllSprites()) {
    if (!media::WritePng(sprite.image, out + "/" + sprite.file, &error)) {
      std::fprintf(stderr, "gen_textures: %s\n", error.c_str());
      return 1;
    }
    ++written;
  }
  std::printf("gen_textures: %d images written under %s\n", written, out.c_str());
  return 0;
}
