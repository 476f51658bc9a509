// xfile_read.cpp -- the .x templates of D3DX meshes, read into one XMesh
//
// Frames may stand anywhere a data object may; a frame's transform is applied, once the frame is
// closed, to every vertex its meshes and inner frames added, so inner transforms come first as
// Direct3D composes them (vertex * inner * outer) whatever the order of the frame's children.
#include "platform/d3dx9/readers/xfile_read.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <unordered_map>

#include "platform/d3dx9/readers/file_bytes.h"
#include "platform/d3dx9/readers/xfile_tokens.h"

namespace d3dx9x {

namespace {

const uint32_t kNone = 0xffffffffu;

// One Mesh data object as the file gives it, before it joins the others.
struct MeshPart {
  uint32_t vertexCount = 0;
  std::vector<float> positions;         // 3 per file vertex
  std::vector<uint32_t> faceStarts;     // where each face's corners begin; one more at the end
  std::vector<uint32_t> corners;        // vertex index of each face corner
  bool hasNormals = false;
  std::vector<float> normals;           // 3 per normal
  std::vector<uint32_t> normalCorners;  // normal index of each face corner
  bool hasTexCoords = false;
  std::vector<float> texCoords;         // 2 per file vertex
  bool hasMaterials = false;
  uint32_t materialCount = 0;
  std::vector<uint32_t> faceMaterials;  // one per face, or one for all
};

std::string Describe(const XToken& t) {
  switch (t.kind) {
    case XToken::kEnd: return "the end of the file";
    case XToken::kString: return "a string";
    case XToken::kNumber:
      return t.binaryNumber ? "a number" : "'" + d3dx9file::QuoteBytes(t.text) + "'";
    default: return "'" + d3dx9file::QuoteBytes(t.text) + "'";
  }
}

class Reader {
 public:
  Reader(const std::string& bytes, bool binary, bool doubles, XMesh* out)
      : tokens_(bytes, binary, doubles), out_(out) {}

  bool Run(std::string* error) {
    bool ok = ReadTop();
    if (!ok) *error = error_;
    return ok;
  }

 private:
  bool Fail(const std::string& message) {
    error_ = tokens_.Where() + ": " + message;
    return false;
  }
  bool Next(XToken* t) { return tokens_.Next(t, &error_); }

  // ---- numbers ----
  bool ReadUInt(const char* what, uint32_t* value) {
    XToken t;
    if (!Next(&t)) return false;
    if (t.kind != XToken::kNumber || t.binaryFloat)
      return Fail(std::string("expected ") + what + " but found " + Describe(t));
    if (t.binaryNumber) {
      *value = t.integer;
      return true;
    }
    uint64_t v = 0;
    for (char c : t.text) {
      if (c < '0' || c > '9') return Fail(std::string("expected ") + what + " but found " + Describe(t));
      v = v * 10 + static_cast<uint64_t>(c - '0');
      if (v > 0xffffffffu) return Fail(std::string(what) + " " + Describe(t) + " is out of range");
    }
    *value = static_cast<uint32_t>(v);
    return true;
  }

  // A count of items of numbersEach numbers: the bytes left must be able to hold them.
  bool ReadCount(const char* what, uint32_t numbersEach, uint32_t* count) {
    if (!ReadUInt(what, count)) return false;
    uint64_t least = static_cast<uint64_t>(*count) * numbersEach * tokens_.BytesPerNumber();
    if (least > tokens_.BytesLeft())
      return Fail(std::string(what) + " " + std::to_string(*count) + " is more than the " +
                  std::to_string(tokens_.BytesLeft()) + " bytes left can hold");
    return true;
  }

  bool ReadIndex(const char* what, uint32_t limit, uint32_t* value) {
    if (!ReadUInt(what, value)) return false;
    if (*value >= limit)
      return Fail(std::string(what) + " " + std::to_string(*value) + " is not below its count " + std::to_string(limit));
    return true;
  }

  bool ReadFloat(float* value) {
    XToken t;
    if (!Next(&t)) return false;
    if (t.kind != XToken::kNumber) return Fail("expected a number but found " + Describe(t));
    double v;
    if (t.binaryNumber) {
      v = t.binaryFloat ? t.real : static_cast<double>(t.integer);
    } else {
      char* end = nullptr;
      v = std::strtod(t.text.c_str(), &end);
      if (end != t.text.c_str() + t.text.size()) return Fail(Describe(t) + " is not a number");
    }
    if (!std::isfinite(v) || std::fabs(v) > FLT_MAX)
      return Fail((t.binaryNumber ? std::string("a number") : Describe(t)) + " is not a finite float");
    *value = static_cast<float>(v);
    return true;
  }

  bool ReadFloats(float* values, size_t count) {
    for (size_t i = 0; i < count; ++i) {
      if (!ReadFloat(&values[i])) return false;
    }
    return true;
  }

  // ---- objects ----
  // After a data object's type: its optional name (and GUID), then '{'.
  bool OpenBody(const std::string& type) {
    XToken t;
    if (!Next(&t)) return false;
    if (t.kind == XToken::kName && !Next(&t)) return false;
    bool guid = t.kind == XToken::kOther && (t.text == "GUID" || (t.text.size() > 1 && t.text[0] == '<'));
    if (guid && !Next(&t)) return false;
    if (t.kind != XToken::kOpen) return Fail("expected '{' after " + type + " but found " + Describe(t));
    return true;
  }

  bool ExpectClose(const std::string& type) {
    XToken t;
    if (!Next(&t)) return false;
    if (t.kind != XToken::kClose) return Fail("expected '}' closing " + type + " but found " + Describe(t));
    return true;
  }

  // The rest of a body whose '{' was read, at nesting depth `depth`.
  bool SkipBody(const std::string& type, int depth) {
    int open = 1;
    for (;;) {
      XToken t;
      if (!Next(&t)) return false;
      if (t.kind == XToken::kEnd) return Fail("the file ends inside " + type);
      if (t.kind == XToken::kOpen && depth + ++open > kMaxNesting + 1)
        return Fail("data objects nest deeper than " + std::to_string(kMaxNesting));
      if (t.kind == XToken::kClose && --open == 0) return true;
    }
  }

  enum class Child { kRead, kSkipped, kFailed };
  // Walks the children of the object just opened, to its closing brace. A reference
  // ("{ Name }") is skipped and counted in *references; a data object goes to read(type), which
  // reads it whole (kRead), fails (kFailed), or leaves it to be skipped whole (kSkipped).
  template <typename Read>
  bool ReadChildren(const char* expected, int depth, uint32_t* references, Read read) {
    for (;;) {
      XToken t;
      if (!Next(&t)) return false;
      if (t.kind == XToken::kClose) return true;
      if (t.kind == XToken::kOpen) {
        if (references) ++*references;
        if (!SkipBody("a reference", depth + 1)) return false;
      } else if (t.kind != XToken::kName) {
        return Fail(std::string("expected ") + expected + " but found " + Describe(t));
      } else {
        Child child = read(t.text);
        if (child == Child::kFailed || (child == Child::kSkipped && !SkipObject(t.text, depth + 1))) return false;
      }
    }
  }

  bool CheckDepth(int depth) {
    if (depth > kMaxNesting) return Fail("data objects nest deeper than " + std::to_string(kMaxNesting));
    return true;
  }

  bool SkipObject(const std::string& type, int depth) {
    return CheckDepth(depth) && OpenBody(type) && SkipBody(type, depth);
  }

  bool ReadTop() {
    for (;;) {
      XToken t;
      if (!Next(&t)) return false;
      if (t.kind == XToken::kEnd) break;
      if (t.kind != XToken::kName) return Fail("expected a template or a data object but found " + Describe(t));
      if (!ReadObject(t.text, 1)) return false;
    }
    for (size_t i = 0; i + 2 < out_->normals.size(); i += 3) {
      float* n = &out_->normals[i];
      float length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
      if (length > 0.0f) {
        for (int k = 0; k < 3; ++k) n[k] /= length;
      }
    }
    return true;
  }

  bool ReadObject(const std::string& type, int depth) {
    if (type == "Frame") return CheckDepth(depth) && OpenBody(type) && ReadFrame(depth);
    if (type == "Mesh") return CheckDepth(depth) && OpenBody(type) && ReadMesh(depth);
    return SkipObject(type, depth);  // templates, headers, animations, materials for reference
  }

  bool ReadFrame(int depth) {
    size_t firstVertex = out_->positions.size() / 3;
    float m[16];
    bool hasMatrix = false;
    for (;;) {
      XToken t;
      if (!Next(&t)) return false;
      if (t.kind == XToken::kClose) break;
      if (t.kind == XToken::kOpen) {  // a reference to a data object declared elsewhere
        if (!SkipBody("a reference", depth + 1)) return false;
      } else if (t.kind == XToken::kName && t.text == "FrameTransformMatrix") {
        if (hasMatrix) return Fail("a Frame holds two FrameTransformMatrix objects");
        if (!OpenBody(t.text) || !ReadFloats(m, 16) || !ExpectClose(t.text)) return false;
        hasMatrix = true;
      } else if (t.kind == XToken::kName) {
        if (!ReadObject(t.text, depth + 1)) return false;
      } else {
        return Fail("expected a data object inside a Frame but found " + Describe(t));
      }
    }
    if (hasMatrix) Transform(firstVertex, m);
    return true;
  }

  // Row vectors, as Direct3D: p * m for positions, n * (upper 3 x 3 of m) for normals.
  void Transform(size_t firstVertex, const float m[16]) {
    for (size_t v = firstVertex; v < out_->positions.size() / 3; ++v) {
      float* p = &out_->positions[v * 3];
      float* n = &out_->normals[v * 3];
      float x = p[0], y = p[1], z = p[2], nx = n[0], ny = n[1], nz = n[2];
      for (int c = 0; c < 3; ++c) {
        p[c] = x * m[c] + y * m[4 + c] + z * m[8 + c] + m[12 + c];
        n[c] = nx * m[c] + ny * m[4 + c] + nz * m[8 + c];
      }
    }
  }

  bool ReadMesh(int depth) {
    MeshPart part;
    if (!ReadCount("vertex count", 3, &part.vertexCount)) return false;
    if (out_->positions.size() / 3 + part.vertexCount > kMaxVertices)
      return Fail("the file's meshes hold more than " + std::to_string(kMaxVertices) +
                  " vertices; the layer's meshes use 16-bit indices");
    part.positions.resize(static_cast<size_t>(part.vertexCount) * 3);
    if (!ReadFloats(part.positions.data(), part.positions.size())) return false;
    uint32_t faces;
    if (!ReadCount("face count", 4, &faces)) return false;
    part.faceStarts.reserve(static_cast<size_t>(faces) + 1);
    for (uint32_t f = 0; f < faces; ++f) {
      uint32_t n;
      if (!ReadCount("face corner count", 1, &n)) return false;
      if (n < 3) return Fail("face " + std::to_string(f) + " has " + std::to_string(n) + " corners; a face needs 3");
      part.faceStarts.push_back(static_cast<uint32_t>(part.corners.size()));
      for (uint32_t k = 0; k < n; ++k) {
        uint32_t index;
        if (!ReadIndex("vertex index", part.vertexCount, &index)) return false;
        part.corners.push_back(index);
      }
    }
    part.faceStarts.push_back(static_cast<uint32_t>(part.corners.size()));
    bool children = ReadChildren("a data object inside a Mesh", depth, nullptr, [&](const std::string& type) {
      bool ok;
      if (type == "MeshNormals") {
        ok = CheckDepth(depth + 1) && OpenBody(type) && ReadNormals(&part);
      } else if (type == "MeshTextureCoords") {
        ok = CheckDepth(depth + 1) && OpenBody(type) && ReadTexCoords(&part);
      } else if (type == "MeshMaterialList") {
        ok = CheckDepth(depth + 1) && OpenBody(type) && ReadMaterialList(&part, depth + 1);
      } else {
        return Child::kSkipped;
      }
      return ok ? Child::kRead : Child::kFailed;
    });
    return children && Append(part);
  }

  bool ReadNormals(MeshPart* part) {
    if (part->hasNormals) return Fail("a Mesh holds two MeshNormals objects");
    part->hasNormals = true;
    uint32_t count, faces;
    if (!ReadCount("normal count", 3, &count)) return false;
    part->normals.resize(static_cast<size_t>(count) * 3);
    if (!ReadFloats(part->normals.data(), part->normals.size())) return false;
    if (!ReadCount("face normal count", 4, &faces)) return false;
    uint32_t meshFaces = static_cast<uint32_t>(part->faceStarts.size() - 1);
    if (faces != meshFaces)
      return Fail("MeshNormals gives " + std::to_string(faces) + " faces, the Mesh has " + std::to_string(meshFaces));
    part->normalCorners.reserve(part->corners.size());
    for (uint32_t f = 0; f < faces; ++f) {
      uint32_t n, corners = part->faceStarts[f + 1] - part->faceStarts[f];
      if (!ReadUInt("face corner count", &n)) return false;
      if (n != corners)
        return Fail("MeshNormals face " + std::to_string(f) + " has " + std::to_string(n) + " corners, the Mesh's " +
                    std::to_string(corners));
      for (uint32_t k = 0; k < n; ++k) {
        uint32_t index;
        if (!ReadIndex("normal index", count, &index)) return false;
        part->normalCorners.push_back(index);
      }
    }
    return ExpectClose("MeshNormals");
  }

  bool ReadTexCoords(MeshPart* part) {
    if (part->hasTexCoords) return Fail("a Mesh holds two MeshTextureCoords objects");
    part->hasTexCoords = true;
    uint32_t count;
    if (!ReadCount("texture coordinate count", 2, &count)) return false;
    if (count != part->vertexCount)
      return Fail("MeshTextureCoords gives " + std::to_string(count) + " coordinates for " +
                  std::to_string(part->vertexCount) + " vertices");
    part->texCoords.resize(static_cast<size_t>(count) * 2);
    return ReadFloats(part->texCoords.data(), part->texCoords.size()) && ExpectClose("MeshTextureCoords");
  }

  bool ReadMaterialList(MeshPart* part, int depth) {
    if (part->hasMaterials) return Fail("a Mesh holds two MeshMaterialList objects");
    part->hasMaterials = true;
    uint32_t faces = static_cast<uint32_t>(part->faceStarts.size() - 1), indexes;
    if (!ReadCount("material count", 1, &part->materialCount) || !ReadCount("face index count", 1, &indexes))
      return false;
    // One index for all faces is what several exporters write for a single material.
    if (indexes != faces && !(indexes == 1 && faces > 0))
      return Fail("MeshMaterialList gives " + std::to_string(indexes) + " face indexes for " + std::to_string(faces) +
                  " faces");
    part->faceMaterials.resize(indexes);
    for (uint32_t& index : part->faceMaterials) {
      if (!ReadIndex("material index", part->materialCount, &index)) return false;
    }
    uint32_t held = 0;  // materials given in place or by reference
    bool children = ReadChildren("a Material inside a MeshMaterialList", depth, &held, [&](const std::string& type) {
      if (type != "Material") return Child::kSkipped;
      ++held;
      return CheckDepth(depth + 1) && OpenBody(type) && ReadMaterial(depth + 1) ? Child::kRead : Child::kFailed;
    });
    if (!children) return false;
    if (held != part->materialCount)
      return Fail("MeshMaterialList declares " + std::to_string(part->materialCount) + " materials but holds " +
                  std::to_string(held));
    return true;
  }

  // faceColor (4), power, specularColor (3), emissiveColor (3), then TextureFilename and the like.
  bool ReadMaterial(int depth) {
    float values[11];
    if (!ReadFloats(values, 11)) return false;
    for (;;) {
      XToken t;
      if (!Next(&t)) return false;
      if (t.kind == XToken::kClose) return true;
      if (t.kind != XToken::kName) return Fail("expected a data object inside a Material but found " + Describe(t));
      if (!SkipObject(t.text, depth + 1)) return false;
    }
  }

  // ---- joining ----
  uint32_t AddVertex(const MeshPart& part, uint32_t v) {
    out_->positions.insert(out_->positions.end(), &part.positions[v * 3], &part.positions[v * 3] + 3);
    out_->normals.insert(out_->normals.end(), {0.0f, 0.0f, 0.0f});
    if (part.hasTexCoords) {
      out_->texCoords.insert(out_->texCoords.end(), &part.texCoords[v * 2], &part.texCoords[v * 2] + 2);
    } else {
      out_->texCoords.insert(out_->texCoords.end(), {0.0f, 0.0f});
    }
    return static_cast<uint32_t>(out_->positions.size() / 3 - 1);
  }

  // The vertex for one face corner: the file's vertex, or a copy of it where the corner's normal
  // differs from the one that vertex already carries (as D3DX splits them).
  bool CornerVertex(const MeshPart& part, uint32_t base, size_t corner, std::vector<uint32_t>* normalOf,
                    std::unordered_map<uint64_t, uint32_t>* splits, uint32_t* vertex) {
    uint32_t v = part.corners[corner];
    *vertex = base + v;
    if (!part.hasNormals) return true;
    uint32_t n = part.normalCorners[corner];
    const float* normal = &part.normals[static_cast<size_t>(n) * 3];
    if ((*normalOf)[v] == kNone) {
      (*normalOf)[v] = n;
      std::copy(normal, normal + 3, &out_->normals[static_cast<size_t>(*vertex) * 3]);
      return true;
    }
    const float* had = &part.normals[static_cast<size_t>((*normalOf)[v]) * 3];
    if ((*normalOf)[v] == n || (had[0] == normal[0] && had[1] == normal[1] && had[2] == normal[2])) return true;
    uint64_t key = (static_cast<uint64_t>(v) << 32) | n;
    auto found = splits->find(key);
    if (found != splits->end()) {
      *vertex = found->second;
      return true;
    }
    if (out_->positions.size() / 3 >= kMaxVertices)
      return Fail("the file's meshes need more than " + std::to_string(kMaxVertices) +
                  " vertices; the layer's meshes use 16-bit indices");
    *vertex = AddVertex(part, v);
    std::copy(normal, normal + 3, &out_->normals[static_cast<size_t>(*vertex) * 3]);
    (*splits)[key] = *vertex;
    return true;
  }

  bool Append(const MeshPart& part) {
    out_->hasNormals = out_->hasNormals && part.hasNormals;
    out_->hasTexCoords = out_->hasTexCoords && part.hasTexCoords;
    uint32_t base = static_cast<uint32_t>(out_->positions.size() / 3);
    for (uint32_t v = 0; v < part.vertexCount; ++v) AddVertex(part, v);
    std::vector<uint32_t> normalOf(part.hasNormals ? part.vertexCount : 0, kNone), faceVertices;
    std::unordered_map<uint64_t, uint32_t> splits;
    for (size_t f = 0; f + 1 < part.faceStarts.size(); ++f) {
      uint32_t start = part.faceStarts[f], end = part.faceStarts[f + 1];
      faceVertices.resize(end - start);
      for (uint32_t c = start; c < end; ++c) {
        if (!CornerVertex(part, base, c, &normalOf, &splits, &faceVertices[c - start])) return false;
      }
      uint32_t material = part.hasMaterials ? part.faceMaterials[part.faceMaterials.size() == 1 ? 0 : f] : 0;
      for (size_t k = 1; k + 1 < faceVertices.size(); ++k) {  // a fan keeps the polygon's winding
        out_->indices.insert(out_->indices.end(), {faceVertices[0], faceVertices[k], faceVertices[k + 1]});
        out_->attributes.push_back(materialBase_ + material);
      }
    }
    // Each mesh's materials follow the ones before, as D3DX joins them into one list.
    materialBase_ += part.hasMaterials ? part.materialCount : 1;
    return true;
  }

  XTokenizer tokens_;
  XMesh* out_;
  uint32_t materialBase_ = 0;
  std::string error_;
};

}  // namespace

bool ReadXFile(const std::string& bytes, XMesh* out, std::string* error) {
  *out = XMesh();
  if (bytes.size() < 16 || bytes.compare(0, 4, "xof ") != 0) {
    *error = "not a .x file: it does not begin with \"xof \"";
    return false;
  }
  std::string format = bytes.substr(8, 4), floats = bytes.substr(12, 4);
  if (format == "tzip" || format == "bzip") {
    *error = "compressed .x files (\"" + format + "\") are not read; save it as text or binary";
    return false;
  }
  if (format != "txt " && format != "bin ") {
    *error = "unknown .x format \"" + d3dx9file::QuoteBytes(format) + "\"";
    return false;
  }
  if (floats != "0032" && floats != "0064") {
    *error = "unknown .x float size \"" + d3dx9file::QuoteBytes(floats) + "\"";
    return false;
  }
  Reader reader(bytes, format == "bin ", floats == "0064", out);
  return reader.Run(error);
}

}  // namespace d3dx9x
