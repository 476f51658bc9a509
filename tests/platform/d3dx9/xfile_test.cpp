// xfile_test.cpp -- the .x reader: refusals with their place and reason, and sound reads of the
// templates D3DX meshes use, text and binary alike
#include <d3dx9.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "platform/d3dx9/readers/xfile_read.h"
#include "tests/support/picture.h"

namespace {

const std::string kText = "xof 0303txt 0032\n";
// One triangle, vertices 0..2; the pieces after it are the mesh's children.
const std::string kTriangle = "Mesh {\n 3;\n 0;0;0;,\n 1;0;0;,\n 0;1;0;;\n 1;\n 3;0,1,2;;\n";

std::string Read(const std::string& bytes, d3dx9x::XMesh* mesh) {
  std::string error;
  return d3dx9x::ReadXFile(bytes, mesh, &error) ? "" : error;
}

TEST(XFileTest, RefusesWhatItCannotReadSoundlySayingWhereAndWhy) {
  std::string deep = kText;
  for (int i = 0; i < 10000; ++i) deep += "Frame {\n";
  struct Case {
    const char* name;
    std::string file;
    const char* message;
  } cases[] = {
      {"not a .x file", "PK\x03\x04 not a mesh at all", "does not begin with \"xof \""},
      {"compressed", "xof 0303tzip0032 ...", "compressed .x files (\"tzip\")"},
      {"unknown float size", "xof 0303txt 0016\n", "float size \"0016\""},
      {"material list without materials",
       kText + kTriangle + " MeshMaterialList { 0; 1; 0;; }\n}\n", "line 9: material index 0 is not below its count 0"},
      {"index equal to the vertex count", kText + "Mesh {\n 3;\n 0;0;0;,\n 1;0;0;,\n 0;1;0;;\n 1;\n 3;0,1,3;;\n}\n",
       "line 8: vertex index 3 is not below its count 3"},
      {"vertex count past the bytes", kText + "Mesh { 4000000000; 0;0;0;; }", "vertex count 4000000000 is more than"},
      {"face count past the bytes", kText + "Mesh { 1; 0;0;0;; 2000000000; }", "face count 2000000000 is more than"},
      {"count past 32 bits", kText + "Mesh { 18446744073709551617; }", "'18446744073709551617' is out of range"},
      {"10,000 nested frames", deep, "nest deeper than 64"},
      {"two-corner face", kText + "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 2;0,1;; }", "face 0 has 2 corners"},
      {"normals for other faces", kText + kTriangle + " MeshNormals { 1; 0;0;1;; 2; 3;0,0,0;, 3;0,0,0;; }\n}\n",
       "MeshNormals gives 2 faces, the Mesh has 1"},
      {"normal index past its count", kText + kTriangle + " MeshNormals { 1; 0;0;1;; 1; 3;0,0,1;; }\n}\n",
       "normal index 1 is not below its count 1"},
      {"texture coordinates for other vertices", kText + kTriangle + " MeshTextureCoords { 2; 0;0;, 1;1;; }\n}\n",
       "MeshTextureCoords gives 2 coordinates for 3 vertices"},
      {"fewer materials than declared",
       kText + kTriangle + " MeshMaterialList { 2; 1; 1;; Material { 1;1;1;1;; 0; 0;0;0;; 0;0;0;; } }\n}\n",
       "declares 2 materials but holds 1"},
      {"float overflowing to infinity", kText + "Mesh { 3; 1e39;0;0;, 1;0;0;, 0;1;0;; }", "'1e39' is not a finite"},
      {"not a number", kText + "Mesh { 3; zero;0;0;, 1;0;0;, 0;1;0;; }", "expected a number but found 'zero'"},
      {"unclosed mesh", kText + "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;", "but found the end of the file"},
      {"unclosed string", kText + "Header { \"abc", "a string is never closed"},
      {"NUL in a name quoted", kText + "Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;; " + std::string(1, '\0') + " }",
       "found '\\x00'"},
      {"CR line ends counted", "xof 0303txt 0032\rMesh {\r 3;\r 0;0;0;,\r 1;0;0;,\r 0;1;0;;\r 1;\r 3;0,1,7;;\r}\r",
       "line 8: vertex index 7"},
  };
  for (const Case& c : cases) {
    d3dx9x::XMesh mesh;
    std::string error = Read(c.file, &mesh);
    EXPECT_NE(std::string::npos, error.find(c.message)) << c.name << ": " << error;
  }
}

// Binary .x: little-endian token words with their payloads.
struct Binary {
  std::string bytes = "xof 0303bin 0032";
  void Word(uint16_t w) { bytes += {static_cast<char>(w & 0xff), static_cast<char>(w >> 8)}; }
  void Dword(uint32_t d) {
    for (int i = 0; i < 4; ++i) bytes += static_cast<char>((d >> (8 * i)) & 0xff);
  }
  void Name(const std::string& n) {
    Word(1);
    Dword(static_cast<uint32_t>(n.size()));
    bytes += n;
  }
  void Open() { Word(10); }
  void Close() { Word(11); }
  void Integers(std::vector<uint32_t> values) {
    Word(6);
    Dword(static_cast<uint32_t>(values.size()));
    for (uint32_t v : values) Dword(v);
  }
  void Floats(std::vector<float> values) {
    Word(7);
    Dword(static_cast<uint32_t>(values.size()));
    for (float f : values) {
      uint32_t d;
      std::memcpy(&d, &f, 4);
      Dword(d);
    }
  }
};

TEST(XFileTest, BinaryFileReadsAsItsTextTwinAndRefusesListsPastItsEnd) {
  Binary b;
  b.Name("Mesh");
  b.Open();
  b.Integers({3});
  b.Floats({0, 0, 0, 1, 0, 0, 0, 1, 0});
  b.Integers({1, 3, 0, 1, 2});
  b.Close();
  d3dx9x::XMesh binary, text;
  ASSERT_EQ("", Read(b.bytes, &binary));
  ASSERT_EQ("", Read(kText + kTriangle + "}\n", &text));
  EXPECT_EQ(text.positions, binary.positions);
  EXPECT_EQ(text.indices, binary.indices);

  Binary bad;
  bad.Name("Mesh");
  bad.Open();
  bad.Word(7);
  bad.Dword(0x40000000);  // a float list of 2^30 numbers in a file of a few bytes
  EXPECT_NE(std::string::npos, Read(bad.bytes, &binary).find("byte 28: a list of 1073741824 numbers is longer"));
  Binary cut;
  cut.Word(1);
  cut.Dword(1000);  // a name longer than the file
  EXPECT_NE(std::string::npos, Read(cut.bytes, &binary).find("the file ends inside a name"));
}

TEST(XFileTest, PolygonsFramesNormalsAndMaterials) {
  // A quad of material 1 and a triangle of material 0, in a frame that scales by 2 inside one
  // that moves by (10, 0, 0). Vertex 1 carries two different normals: it is split in two.
  std::string file = kText +
                     "Frame Outer {\n FrameTransformMatrix { 1,0,0,0, 0,1,0,0, 0,0,1,0, 10,0,0,1;; }\n"
                     " Frame Inner {\n  FrameTransformMatrix { 2,0,0,0, 0,2,0,0, 0,0,2,0, 0,0,0,1;; }\n"
                     "  Mesh {\n   5; 0;0;0;, 1;0;0;, 1;1;0;, 0;1;0;, 2;0;0;;\n"
                     "   2; 4;0,3,2,1;, 3;1,2,4;;\n"
                     "   MeshNormals { 2; 0;0;-3;, 1;0;0;; 2; 4;0,0,0,0;, 3;1,1,1;; }\n"
                     "   MeshTextureCoords { 5; 0;0;, 1;0;, 1;1;, 0;1;, 2;0;; }\n"
                     "   MeshMaterialList { 2; 2; 1, 0;;\n"
                     "    Material { 1;0;0;1;; 8; 0;0;0;; 0;0;0;; TextureFilename { \"a.png\"; } }\n"
                     "    { Shared }\n   }\n  }\n }\n}\n";
  d3dx9x::XMesh mesh;
  ASSERT_EQ("", Read(file, &mesh));
  ASSERT_EQ(7u * 3, mesh.positions.size());  // 5 vertices, vertices 1 and 2 split for the triangle
  EXPECT_EQ((std::vector<float>{10, 0, 0, 12, 0, 0, 12, 2, 0, 10, 2, 0, 14, 0, 0, 12, 0, 0, 12, 2, 0}), mesh.positions);
  // The quad as a fan from its first corner, in the file's winding; the triangle on the copies.
  EXPECT_EQ((std::vector<uint32_t>{0, 3, 2, 0, 2, 1, 5, 6, 4}), mesh.indices);
  EXPECT_EQ((std::vector<uint32_t>{1, 1, 0}), mesh.attributes);
  EXPECT_FLOAT_EQ(-1.0f, mesh.normals[2]);  // normalised after the scale
  EXPECT_FLOAT_EQ(1.0f, mesh.normals[5 * 3]);
  EXPECT_FLOAT_EQ(1.0f, mesh.texCoords[4 * 2 + 0] / 2);
  EXPECT_TRUE(mesh.hasNormals);
  EXPECT_TRUE(mesh.hasTexCoords);
}

TEST(XFileTest, LoaderRefusesFifosDirectoriesAndOptionsItCannotHonour) {
  testsupport::TestDevice dev;
  ASSERT_TRUE(testsupport::CreateTestDevice(&dev, 16, 16)) << dev.error;
  std::string fifo = testing::TempDir() + "qola_fifo.x";
  std::remove(fifo.c_str());
  ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
  std::string sphere = std::string(QOLA_SOURCE_DIR) + "/tests/data/x/sphere.x";
  struct Case {
    std::string file;
    DWORD options;
    HRESULT expected;
    const char* message;
  } cases[] = {
      {fifo, D3DXMESH_SYSTEMMEM, D3DXERR_INVALIDDATA, "is not a regular file"},
      {testing::TempDir(), D3DXMESH_SYSTEMMEM, D3DXERR_INVALIDDATA, "is not a regular file"},
      {sphere, D3DXMESH_SYSTEMMEM | D3DXMESH_32BIT, D3DERR_INVALIDCALL, "D3DXMESH_32BIT is not supported"},
  };
  for (const Case& c : cases) {
    ID3DXMesh* mesh = reinterpret_cast<ID3DXMesh*>(1);
    testing::internal::CaptureStderr();
    EXPECT_EQ(c.expected, D3DXLoadMeshFromXA(c.file.c_str(), c.options, dev.device, nullptr, nullptr, nullptr,
                                             nullptr, &mesh));
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(nullptr, mesh);
    EXPECT_NE(std::string::npos, said.find(c.message)) << said;
  }
  std::remove(fifo.c_str());
}

}  // namespace
