// loader3ds.cpp -- Loader3DS: loading the file image, the log writer, the checked reads, Release
#include "src/import3ds/loader3ds.h"

#include <cstring>
#include <new>

TriangleMesh::~TriangleMesh() {
  for (FaceMaterialGroup* group : faceGroups) delete group;
}

Loader3DS::Loader3DS()
    : ambientColour{0.0f, 0.0f, 0.0f},
      fileImage{new uint8_t[8](), 0, 8},
      readPos(0),
      logPath("log.txt"),
      nodeKind(0),
      currentNode(nullptr) {}

Loader3DS::~Loader3DS() {
  Release();
  delete[] fileImage.data;
}

void Loader3DS::Release() {
  for (TriangleMesh* mesh : meshes) delete mesh;
  for (CameraRecord* camera : cameras) delete camera;
  for (MaterialRecord* material : materials) delete material;
  for (LightRecord* light : lights) delete light;
  for (KeyframeObjectInfo* node : nodes) delete node;
  meshes.Clear();
  cameras.Clear();
  materials.Clear();
  lights.Clear();
  nodes.Clear();
  currentNode = nullptr;
  if (inputFile.IsOpen()) inputFile.Close();
  if (logFile.is_open()) logFile.close();
}

// A reader is meant to load once; a second Load starts again from an empty reader rather than
// mixing two files' records.
void Loader3DS::Reset() {
  Release();
  ambientColour[0] = ambientColour[1] = ambientColour[2] = 0.0f;
  fileImage.size = 0;
  readPos = 0;
  nodeKind = 0;
  lineBuffer.str("");
  lineBuffer.clear();
  lineBuffer << std::dec;
  problem.clear();
}

// The image holds exactly the file: size and capacity both become its size.
bool Loader3DS::ResizeImage(uint32_t size) {
  uint8_t* data = new (std::nothrow) uint8_t[size];
  if (!data) return false;
  delete[] fileImage.data;
  fileImage.data = data;
  fileImage.size = size;
  fileImage.capacity = size;
  return true;
}

bool Loader3DS::Load(const char* scenePath_, const char* textureDir_) {
  Reset();
  scenePath = scenePath_ ? scenePath_ : "";
  textureDir = textureDir_ ? textureDir_ : "";
  logFile.open(logPath, std::ios::out | std::ios::trunc);
  // Opened without blocking and checked on the open file: a FIFO named as the scene would
  // otherwise hang the open until something writes to it.
  std::string openProblem;
  platform_file::FileStatus opened = inputFile.Open(scenePath.c_str(), &openProblem);
  if (opened == platform_file::FileStatus::kNotRegular) {
    problem = scenePath + ": is not a regular file";
    return false;
  }
  if (opened != platform_file::FileStatus::kOk) {
    problem = scenePath + ": cannot be opened";
    return false;
  }
  LogText("Processing : ");
  LogText(scenePath.c_str());
  LogText("\n");

  uint64_t size = inputFile.Size();
  if (size > 0xFFFFFFFFu || !ResizeImage(static_cast<uint32_t>(size))) {
    problem = scenePath + ": cannot be read into memory";
    inputFile.Close();
    logFile.flush();
    return false;
  }
  size_t got = 0;
  bool complete = inputFile.Read(fileImage.data, fileImage.size, &got, nullptr) == platform_file::FileStatus::kOk &&
                  got == fileImage.size;
  inputFile.Close();
  if (!complete) {
    problem = scenePath + ": read ended early";
    logFile.flush();
    return false;
  }
  return Parse();
}

bool Loader3DS::LoadImage(const char* scenePath_, const char* textureDir_, const uint8_t* data, uint32_t size) {
  Reset();
  scenePath = scenePath_ ? scenePath_ : "";
  textureDir = textureDir_ ? textureDir_ : "";
  logFile.open(logPath, std::ios::out | std::ios::trunc);
  LogText("Processing : ");
  LogText(scenePath.c_str());
  LogText("\n");
  if (!ResizeImage(size)) {
    problem = scenePath + ": cannot be held in memory";
    logFile.flush();
    return false;
  }
  if (size > 0) std::memcpy(fileImage.data, data, size);
  return Parse();
}

bool Loader3DS::Parse() {
  readPos = 0;
  if (fileImage.size < 2 || import3ds::ReadU16LE(fileImage.data) != 0x4D4D) {
    problem = scenePath + ": does not begin with the main chunk id 4d4d";
    // The log stays open until Release; what it holds is on disk already.
    logFile.flush();
    return false;
  }
  LogText("Valid 3DS file. Starting...\n\n");
  bool walked = ReadChunks();
  logFile.close();
  return walked;
}

KeyframeObjectInfo* Loader3DS::FindNode(const char* name) {
  if (!name) return nullptr;
  for (KeyframeObjectInfo* node : nodes) {
    if (std::strcmp(node->name, name) == 0) return node;
  }
  return nullptr;
}

// --- log writer: a line is composed in lineBuffer, whose number base carries over ---

void Loader3DS::FlushLine() {
  if (logFile.is_open()) logFile << lineBuffer.str();
  lineBuffer.str("");
}

void Loader3DS::LogText(const char* text) {
  lineBuffer << text;
  FlushLine();
}

void Loader3DS::LogQuoted(const char* prefix, const char* name) {
  lineBuffer << prefix << '"' << name << "\"\n";
  FlushLine();
}

// --- checked reads: nothing is read past the end of the image ---

bool Loader3DS::Fail(const char* what) {
  std::ostringstream text;
  text << scenePath << ": at byte " << readPos << " of " << fileImage.size << ": " << what;
  problem = text.str();
  return false;
}

bool Loader3DS::Need(uint64_t bytes, const char* what) {
  if (bytes > static_cast<uint64_t>(fileImage.size - readPos)) return Fail(what);
  return true;
}

bool Loader3DS::ReadU16(uint16_t* value, const char* what) {
  if (!Need(2, what)) return false;
  *value = import3ds::ReadU16LE(fileImage.data + readPos);
  readPos += 2;
  return true;
}

bool Loader3DS::ReadU32(uint32_t* value, const char* what) {
  if (!Need(4, what)) return false;
  *value = import3ds::ReadU32LE(fileImage.data + readPos);
  readPos += 4;
  return true;
}

bool Loader3DS::ReadF32(float* value, const char* what) {
  if (!Need(4, what)) return false;
  *value = import3ds::ReadF32LE(fileImage.data + readPos);
  readPos += 4;
  return true;
}

bool Loader3DS::ReadFloats(float* values, uint32_t n, const char* what) {
  if (!Need(4ull * n, what)) return false;
  for (uint32_t i = 0; i < n; ++i) ReadF32(&values[i], what);
  return true;
}

bool Loader3DS::ReadName(const char** name, const char* what) {
  const uint8_t* start = fileImage.data + readPos;
  const void* zero = std::memchr(start, 0, fileImage.size - readPos);
  if (!zero) return Fail(what);
  *name = reinterpret_cast<const char*>(start);
  readPos += static_cast<uint32_t>(static_cast<const uint8_t*>(zero) - start) + 1;
  return true;
}

bool Loader3DS::TakeList(uint64_t bytes, const uint8_t** list, const char* what) {
  if (!Need(bytes, what)) return false;
  *list = fileImage.data + readPos;
  readPos += static_cast<uint32_t>(bytes);
  return true;
}
