// chunk_walk.cpp -- the flat 3DS chunk walk, its dispatch table and the colour sub-chunk reader
#include <cstddef>

#include "src/import3ds/loader3ds.h"

// Containers carry their log text here and are entered (the walk goes on right after their
// header); handlers write their own lines, because a handler with no record to fill skips its
// chunk showing only the header line. Any id not listed is skipped whole.
const Loader3DS::DispatchEntry Loader3DS::kDispatch[] = {
    {0x4D4D, "CHUNK_MAIN\n", nullptr},
    {0x3D3D, "CHUNK_OBJMESH\n", nullptr},
    {0x2100, nullptr, &Loader3DS::HandleAmbient},
    {0x4000, nullptr, &Loader3DS::HandleObjectBlock},
    {0x4100, "\t\tCHUNK_TRIMESH\n", nullptr},
    {0x4110, nullptr, &Loader3DS::HandleVertexList},
    {0x4120, nullptr, &Loader3DS::HandleFaceList},
    {0x4130, nullptr, &Loader3DS::HandleFaceMaterial},
    {0x4140, nullptr, &Loader3DS::HandleMapList},
    {0x4160, nullptr, &Loader3DS::HandleMatrix},
    {0x4600, nullptr, &Loader3DS::HandleLight},
    {0x4610, nullptr, &Loader3DS::HandleSpotlight},
    {0x4700, nullptr, &Loader3DS::HandleCamera},
    {0xAFFF, "CHUNK_MATERIAL\n", nullptr},
    {0xA000, nullptr, &Loader3DS::HandleMaterialName},
    {0xA010, nullptr, &Loader3DS::HandleAmbientColour},
    {0xA020, nullptr, &Loader3DS::HandleDiffuseColour},
    {0xA030, nullptr, &Loader3DS::HandleSpecularColour},
    {0xA200, "CHUNK_TEXTURE\n", nullptr},
    {0xA300, nullptr, &Loader3DS::HandleMapFile},
    {0xA354, nullptr, &Loader3DS::HandleUScale},
    {0xA356, nullptr, &Loader3DS::HandleVScale},
    {0xB000, "CHUNK_KEYFRAMER\n", nullptr},
    {0xB003, "CHUNK_...camera information\n", &Loader3DS::HandleCameraNode},
    {0xB004, "CHUNK_...camera target information\n", &Loader3DS::HandleTargetNode},
    {0xB010, nullptr, &Loader3DS::HandleNodeHeader},
    {0xB020, nullptr, &Loader3DS::HandlePositionTrack},
    {0xB024, nullptr, &Loader3DS::HandleRollTrack},
};

// A loop, not a recursion: the stack does not grow with the number of chunks. The main chunk's
// length is logged but not used; the walk runs to the end of the image and must land on it exactly.
bool Loader3DS::ReadChunks() {
  while (readPos != fileImage.size) {
    Chunk chunk{readPos, 0, 0};
    if (!Need(6, "a chunk header runs past the end of the file")) return false;
    ReadU16(&chunk.id, "");
    ReadU32(&chunk.length, "");
    lineBuffer << std::hex << '#' << chunk.id << ", " << chunk.length << " bytes.\n";
    FlushLine();
    if (chunk.length < 6) {
      readPos = chunk.start;
      return Fail("a chunk length is below the 6 bytes of its header");
    }

    const DispatchEntry* entry = nullptr;
    for (const DispatchEntry& candidate : kDispatch) {
      if (candidate.id == chunk.id) {
        entry = &candidate;
        break;
      }
    }
    if (!entry) {
      if (!SkipRest(chunk)) return false;
      continue;
    }
    if (entry->logText) LogText(entry->logText);
    if (entry->handler && !(this->*entry->handler)(chunk)) return false;
  }
  return true;
}

// Moves past the whole chunk, its sub-chunks included.
bool Loader3DS::SkipRest(const Chunk& chunk) {
  uint64_t end = static_cast<uint64_t>(chunk.start) + chunk.length;
  if (end > fileImage.size) {
    readPos = chunk.start;
    return Fail("a chunk runs past the end of the file");
  }
  readPos = static_cast<uint32_t>(end);
  return true;
}

// Only a byte colour (0x0011) gives a colour; any other kind stores -1 in all three components.
bool Loader3DS::ReadColour(float rgb[3]) {
  uint32_t start = readPos;
  uint16_t id = 0;
  uint32_t length = 0;
  if (!ReadU16(&id, "a colour sub-chunk header runs past the end of the file")) return false;
  if (!ReadU32(&length, "a colour sub-chunk header runs past the end of the file")) return false;
  if (id == 0x0011) {
    if (!Need(3, "a byte colour runs past the end of the file")) return false;
    const float kByteScale = 1.0f / 255.0f;
    for (int c = 0; c < 3; ++c) rgb[c] = static_cast<float>(fileImage.data[readPos + c]) * kByteScale;
    readPos += 3;
    return true;
  }
  rgb[0] = rgb[1] = rgb[2] = -1.0f;
  if (length < 6) {
    readPos = start;
    return Fail("a colour sub-chunk length is below the 6 bytes of its header");
  }
  return SkipRest(Chunk{start, id, length});
}
