// loader3ds.h -- Loader3DS: reads a 3DS scene file into records and traces its chunks to "log.txt"
//
// Load reads the whole file into one image and walks it; LoadImage walks bytes the caller already
// holds (the fuzzer and tools use it), so both go through the same parse. The walk is flat: a chunk
// is known by its id alone, wherever it stands. Every read is checked against the bytes left in
// the image; a chunk that does not fit stops the walk and Load returns false, the log keeping what
// was written up to there.
#pragma once

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/services/file_read.h"
#include "src/common/grow_array.h"
#include "src/import3ds/records3ds.h"

class Loader3DS {
 public:
  Loader3DS();
  ~Loader3DS();
  Loader3DS(const Loader3DS&) = delete;
  Loader3DS& operator=(const Loader3DS&) = delete;

  // Reads scenePath and walks it; textureDir is only kept for the scene build. True when the file
  // was read and walked exactly to its end.
  bool Load(const char* scenePath, const char* textureDir);
  // The same parse over size bytes at data (copied into the image); scenePath names them in the log.
  bool LoadImage(const char* scenePath, const char* textureDir, const uint8_t* data, uint32_t size);
  // Deletes every record and closes the files that are open.
  void Release();
  // The first node whose name equals name byte for byte, or null.
  KeyframeObjectInfo* FindNode(const char* name);

  // Why the last walk stopped early ("" when it did not): the chunk offset and the problem.
  const std::string& Problem() const { return problem; }

  float ambientColour[3];
  GrowArray<TriangleMesh*> meshes;
  GrowArray<CameraRecord*> cameras;
  GrowArray<MaterialRecord*> materials;
  GrowArray<LightRecord*> lights;
  GrowArray<KeyframeObjectInfo*> nodes;
  platform_file::RegularFile inputFile;  // the scene file, open only inside Load
  std::ofstream logFile;
  struct FileImage {
    uint8_t* data;
    uint32_t size;
    uint32_t capacity;
  } fileImage;
  uint32_t readPos;  // offset into fileImage
  std::ostringstream lineBuffer;
  std::string scenePath;
  std::string textureDir;
  // Where the trace goes: "log.txt" in the working directory, as the demo writes it. Only tools
  // that must not touch the working directory (the fuzzer) point it elsewhere.
  std::string logPath;
  int32_t nodeKind;
  KeyframeObjectInfo* currentNode;

 private:
  struct Chunk {
    uint32_t start;  // offset of the header
    uint16_t id;
    uint32_t length;
  };
  using Handler = bool (Loader3DS::*)(const Chunk&);
  struct DispatchEntry {
    uint16_t id;
    const char* logText;  // written after the header line; null when the handler writes its own
    Handler handler;      // null for a container
  };
  static const DispatchEntry kDispatch[];

  void Reset();
  bool ResizeImage(uint32_t size);
  bool Parse();
  bool ReadChunks();
  bool ReadColour(float rgb[3]);

  // Bounds-checked reads at readPos; each returns false (and records why) when the bytes run out.
  bool Fail(const char* what);
  bool Need(uint64_t bytes, const char* what);
  bool ReadU16(uint16_t* value, const char* what);
  bool ReadU32(uint32_t* value, const char* what);
  bool ReadF32(float* value, const char* what);
  bool ReadFloats(float* values, uint32_t n, const char* what);
  bool ReadName(const char** name, const char* what);
  bool TakeList(uint64_t bytes, const uint8_t** list, const char* what);
  bool SkipRest(const Chunk& chunk);

  void FlushLine();
  void LogText(const char* text);
  void LogQuoted(const char* prefix, const char* name);

  // Scene handlers (handlers_scene.cpp).
  bool HandleAmbient(const Chunk& chunk);
  bool HandleObjectBlock(const Chunk& chunk);
  bool HandleVertexList(const Chunk& chunk);
  bool HandleFaceList(const Chunk& chunk);
  bool HandleFaceMaterial(const Chunk& chunk);
  bool HandleMapList(const Chunk& chunk);
  bool HandleMatrix(const Chunk& chunk);
  bool HandleLight(const Chunk& chunk);
  bool HandleSpotlight(const Chunk& chunk);
  bool HandleCamera(const Chunk& chunk);
  bool HandleMaterialName(const Chunk& chunk);
  bool HandleAmbientColour(const Chunk& chunk);
  bool HandleDiffuseColour(const Chunk& chunk);
  bool HandleSpecularColour(const Chunk& chunk);
  bool HandleMaterialColour(const Chunk& chunk, const char* logText, int which);
  bool HandleMapFile(const Chunk& chunk);
  bool HandleUScale(const Chunk& chunk);
  bool HandleVScale(const Chunk& chunk);
  // Keyframer handlers (handlers_keyframer.cpp).
  bool HandleCameraNode(const Chunk& chunk);
  bool HandleTargetNode(const Chunk& chunk);
  bool HandleNodeHeader(const Chunk& chunk);
  bool HandlePositionTrack(const Chunk& chunk);
  bool HandleRollTrack(const Chunk& chunk);
  bool ReadTrackHeader(uint16_t* flags, uint32_t* keyCount, uint32_t valueBytes);
  bool SkipSplineValues();

  std::string problem;
};
