// loader3ds_fuzz.cpp -- libFuzzer target: Loader3DS walks arbitrary bytes
//
// The reader writes its log into the working directory, where libFuzzer keeps the corpus; the
// target points the log at a scratch directory of its own instead, rewritten by every run.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "src/import3ds/loader3ds.h"

namespace {
std::string scratchDir;
std::string logPath;

// Leaves nothing behind in /tmp when the fuzzer ends.
void RemoveScratch() {
  std::remove(logPath.c_str());
  std::remove(scratchDir.c_str());
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char scratch[] = "/tmp/loader3ds_fuzz.XXXXXX";
  if (!mkdtemp(scratch)) {
    std::perror("loader3ds_fuzz: cannot make a scratch directory");
    std::abort();
  }
  scratchDir = scratch;
  logPath = scratchDir + "/log.txt";
  std::atexit(RemoveScratch);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > 0xFFFFFFFFu) return 0;
  Loader3DS loader;
  loader.logPath = logPath;
  loader.LoadImage("fuzz.3ds", "media/maps/", data, static_cast<uint32_t>(size));
  // Touch what a consumer touches, so a reference outside the image shows under ASan.
  for (TriangleMesh* mesh : loader.meshes) {
    float xyz[3];
    uint16_t face[4];
    float uv[2];
    for (uint32_t i = 0; i < mesh->vertexCount; ++i) mesh->Vertex(i, xyz);
    for (uint32_t i = 0; i < mesh->faceCount; ++i) mesh->Face(i, face);
    for (uint32_t i = 0; i < mesh->mapCoordCount; ++i) mesh->MapCoord(i, uv);
    for (FaceMaterialGroup* group : mesh->faceGroups) {
      for (uint32_t i = 0; i < group->faceCount; ++i) (void)group->FaceIndex(i);
    }
  }
  for (KeyframeObjectInfo* node : loader.nodes) {
    if (node->positionTrack.frames.count != node->positionTrack.values.count) std::abort();
  }
  return 0;
}
