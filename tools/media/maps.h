// maps.h -- the scene's texture maps and the sphere's environment map, drawn procedurally
//
// Every map tiles without a seam (the scene repeats them across floors and walls) and is
// 256 x 256 pixels.
#pragma once

#include <string>
#include <vector>

#include "tools/media/canvas.h"

namespace media {

constexpr int kMapSize = 256;

Canvas FloorMap();   // terracotta and cream tiles with teal inlays at the corners
Canvas WallMap();    // running-bond brick
Canvas StoneMap();   // sandstone blocks for the columns and the steps
Canvas TrimMap();    // teal glazed tiles for column heads and feet
Canvas CrateMap();   // a wooden crate face with teal metal corners
Canvas MetalMap();   // "pmetal.png": sky, bright horizon and warm ground, read as polished metal

struct NamedMap {
  std::string file;  // file name under the maps folder
  Canvas (*draw)();
};
// Every map the generators write into "media/maps/", in a fixed order.
const std::vector<NamedMap>& SceneMaps();

}  // namespace media
