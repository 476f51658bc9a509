// malformed_test.cpp -- files that lie about their lengths and counts: the walk stops, Load says false
#include <functional>

#include "tests/import3ds/scratch_dir.h"

namespace {

using write3ds::Writer3DS;

class MalformedTest : public ScratchDirTest {};

struct Malformed {
  const char* what;
  std::function<void(Writer3DS&)> build;  // writes the whole file
  const char* logEnd;                     // the log's last lines
};

// A mesh object header, so that list handlers have a mesh to fill. Lengths of 6 do for every
// chunk that is not skipped: the flat walk reads them but does not use them.
void MeshStart(Writer3DS& w) { w.Header(0x4D4D, 6).Header(0x4000, 6).Text("M").Header(0x4100, 6); }

const Malformed kMalformed[] = {
    {"file shorter than a chunk header", [](Writer3DS& w) { w.U16(0x4D4D).U16(6); },
     "Valid 3DS file. Starting...\n\n"},
    {"chunk length below 6", [](Writer3DS& w) { w.Header(0x4D4D, 6).Header(0x0002, 5).U32(0); },
     "CHUNK_MAIN\n#2, 5 bytes.\n"},
    {"chunk length zero", [](Writer3DS& w) { w.Header(0x4D4D, 0); }, "#4d4d, 0 bytes.\n"},
    {"skipped chunk runs past the end", [](Writer3DS& w) { w.Header(0x4D4D, 6).Header(0x0002, 11).U32(3); },
     "#2, b bytes.\n"},
    {"skip length near 2^32", [](Writer3DS& w) { w.Header(0x4D4D, 6).Header(0x0002, 0xFFFFFFFF); },
     "#2, ffffffff bytes.\n"},
    {"walk ends inside a header", [](Writer3DS& w) { w.Header(0x4D4D, 6).Header(0x0002, 6).U16(0x1234); },
     "#2, 6 bytes.\n"},
    {"object name without its zero", [](Writer3DS& w) { w.Header(0x4D4D, 6).Header(0x4000, 9).U8('A').U8('B'); },
     "\tCHUNK_OBJBLOCK\n"},
    {"vertex list longer than the file",
     [](Writer3DS& w) {
       MeshStart(w);
       w.Header(0x4110, 6).U16(3).Floats({1, 2, 3, 4, 5, 6, 7, 8});
     },
     "\t\t\tCHUNK_VERTLIST\n"},
    {"vertex count cut off",
     [](Writer3DS& w) {
       MeshStart(w);
       w.Header(0x4110, 6).U8(1);
     },
     "\t\t\tCHUNK_VERTLIST\n"},
    {"face list of 65535 faces",
     [](Writer3DS& w) {
       MeshStart(w);
       w.Header(0x4120, 6).U16(0xFFFF).U16s({0, 1, 2, 0});
     },
     "\t\t\tCHUNK_FACELIST\n"},
    {"face material list too long",
     [](Writer3DS& w) {
       MeshStart(w);
       w.Header(0x4130, 6).Text("Steel").U16(4).U16(0);
     },
     "\t\t\tCHUNK_FACEMAT - \"Steel\"\n"},
    {"face material name without its zero",
     [](Writer3DS& w) {
       MeshStart(w);
       w.Header(0x4130, 6).U8('S');
     },
     "\t\tCHUNK_TRIMESH\n#4130, 6 bytes.\n"},
    {"mapping list too long",
     [](Writer3DS& w) {
       MeshStart(w);
       w.Header(0x4140, 6).U16(2).Floats({0, 0});
     },
     "CHUNK_MAPLIST\n"},
    {"matrix cut off",
     [](Writer3DS& w) {
       MeshStart(w);
       w.Header(0x4160, 6).Floats({1, 2, 3});
     },
     "CHUNK_TRMATRIX\n"},
    {"light colour sub-chunk cut off",
     [](Writer3DS& w) { w.Header(0x4D4D, 6).Header(0x4000, 6).Text("L").Header(0x4600, 6).Floats({1, 2, 3}).U16(0x11); },
     "\t\tCHUNK_LIGHT\n"},
    {"byte colour without its bytes",
     [](Writer3DS& w) { w.Header(0x4D4D, 6).Header(0x2100, 6).Header(0x0011, 9).U8(1); }, "CHUNK_AMBCOLOUR\n"},
    {"float colour length below 6",
     [](Writer3DS& w) { w.Header(0x4D4D, 6).Header(0x2100, 6).Header(0x0010, 2).Floats({1, 1, 1}); },
     "CHUNK_AMBCOLOUR\n"},
    {"float colour longer than the file",
     [](Writer3DS& w) { w.Header(0x4D4D, 6).Header(0x2100, 6).Header(0x0010, 100).Floats({1, 1, 1}); },
     "CHUNK_AMBCOLOUR\n"},
    {"spot light data cut off",
     [](Writer3DS& w) {
       w.Header(0x4D4D, 6).Header(0x4000, 6).Text("L").Header(0x4600, 6).Floats({1, 2, 3}).ByteColour(1, 1, 1);
       w.Header(0x4610, 6).Floats({1, 2, 3, 4});
     },
     "\t\t\tCHUNK_SPOTLIGHT\n"},
    {"camera data cut off",
     [](Writer3DS& w) { w.Header(0x4D4D, 6).Header(0x4000, 6).Text("C").Header(0x4700, 6).Floats({1, 2, 3}); },
     "\t\tCHUNK_CAMERA\n"},
    {"material name without its zero", [](Writer3DS& w) { w.Header(0x4D4D, 6).Header(0xA000, 6).U8('x'); },
     "#a000, 6 bytes.\n"},
    {"map file name without its zero",
     [](Writer3DS& w) { w.Header(0x4D4D, 6).Header(0xA000, 6).Text("m").Header(0xA300, 6).U8('x'); },
     "CHUNK_MAPFILE\n"},
    {"scale cut off",
     [](Writer3DS& w) { w.Header(0x4D4D, 6).Header(0xA000, 6).Text("m").Header(0xA356, 6).U16(0); },
     "CHUNK_VSCALE\n"},
    {"node header flags cut off",
     [](Writer3DS& w) { w.Header(0x4D4D, 6).Header(0xB003, 6).Header(0xB010, 6).Text("C").U16(1); },
     "CHUNK_...camera information\n#b010, 6 bytes.\n"},
    {"second node header cut off",
     [](Writer3DS& w) {
       w.Header(0x4D4D, 6).Header(0xB003, 6).Header(0xB010, 6).Text("C").U16s({1, 2, 3});
       w.Header(0xB010, 6).Text("C").U16(1);
     },
     "\t\t KeyframeObjectInfo - C\n#b010, 6 bytes.\n"},
    {"node name without its zero", [](Writer3DS& w) { w.Header(0x4D4D, 6).Header(0xB010, 6).U8('C'); },
     "#b010, 6 bytes.\n"},
    {"track header cut off",
     [](Writer3DS& w) {
       w.Header(0x4D4D, 6).Header(0xB003, 6).Header(0xB010, 6).Text("C").U16s({0, 0, 0});
       w.Header(0xB020, 6).U16(0).U32(0);
     },
     "Position track\n  -Position\n"},
    {"key count far beyond the file",
     [](Writer3DS& w) {
       w.Header(0x4D4D, 6).Header(0xB003, 6).Header(0xB010, 6).Text("C").U16s({0, 0, 0});
       w.Header(0xB020, 6).TrackHeader(0, 0xFFFFFFFF).Key(0, 0, {1, 2, 3});
     },
     "Position track\n  -Position\n"},
    {"spline values run past the end",
     [](Writer3DS& w) {
       w.Header(0x4D4D, 6).Header(0xB004, 6).Header(0xB010, 6).Text("C").U16s({0, 0, 0});
       w.Header(0xB020, 6).TrackHeader(0, 1).U32(0).U16(0x001F).Floats({1, 2});
     },
     "Position track\n  -Target\n"},
    {"roll value cut off",
     [](Writer3DS& w) {
       w.Header(0x4D4D, 6).Header(0xB003, 6).Header(0xB010, 6).Text("C").U16s({0, 0, 0});
       w.Header(0xB024, 6).TrackHeader(0, 1).U32(0).U16(0).U16(0);
     },
     "Roll track\n"},
};

TEST_F(MalformedTest, WalkStopsAndLoadFails) {
  for (const Malformed& m : kMalformed) {
    SCOPED_TRACE(m.what);
    Writer3DS w;
    m.build(w);
    Loader3DS loader;
    EXPECT_FALSE(LoadWritten(loader, w));
    EXPECT_NE(loader.Problem().find("scene.3ds: at byte "), std::string::npos) << loader.Problem();
    const std::string log = ReadLog();
    const std::string end = m.logEnd;
    ASSERT_GE(log.size(), end.size()) << log;
    EXPECT_EQ(log.substr(log.size() - end.size()), end) << log;
  }
}

// A chunk that would fill the last record of an empty array is skipped whole, showing only its
// header line, and the walk goes on.
TEST_F(MalformedTest, ChunksWithoutTheirRecordAreSkipped) {
  struct Case {
    uint16_t id;
    std::function<void(Writer3DS&)> data;
  };
  const Case cases[] = {
      {0x4110, [](Writer3DS& w) { w.U16(1).Floats({1, 2, 3}); }},
      {0x4120, [](Writer3DS& w) { w.U16(1).U16s({0, 1, 2, 0}); }},
      {0x4130, [](Writer3DS& w) { w.Text("mat").U16(1).U16(0); }},
      {0x4140, [](Writer3DS& w) { w.U16(1).Floats({0, 0}); }},
      {0x4160, [](Writer3DS& w) { for (int i = 0; i < 12; ++i) w.F32(1); }},
      {0x4600, [](Writer3DS& w) { w.Floats({1, 2, 3}).ByteColour(1, 2, 3); }},
      {0x4610, [](Writer3DS& w) { w.Floats({1, 2, 3, 4, 5}); }},
      {0x4700, [](Writer3DS& w) { for (int i = 0; i < 8; ++i) w.F32(1); }},
      {0xA010, [](Writer3DS& w) { w.ByteColour(1, 2, 3); }},
      {0xA020, [](Writer3DS& w) { w.ByteColour(1, 2, 3); }},
      {0xA030, [](Writer3DS& w) { w.ByteColour(1, 2, 3); }},
      {0xA300, [](Writer3DS& w) { w.Text("map.png"); }},
      {0xA354, [](Writer3DS& w) { w.F32(1); }},
      {0xA356, [](Writer3DS& w) { w.F32(1); }},
      {0xB020, [](Writer3DS& w) { w.TrackHeader(0, 1).Key(0, 0, {1, 2, 3}); }},
      {0xB024, [](Writer3DS& w) { w.TrackHeader(0, 1).Key(0, 0, {1}); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    Writer3DS w;
    w.Begin(0x4D4D).Begin(c.id);
    c.data(w);
    w.End().Begin(0x0002).U32(3).End().End();
    Loader3DS loader;
    EXPECT_TRUE(LoadWritten(loader, w));
    const std::string log = ReadLog();
    const size_t header = log.find("CHUNK_MAIN\n#");
    ASSERT_NE(header, std::string::npos) << log;
    const size_t next = log.find('\n', header + 11);
    EXPECT_EQ(log.substr(next + 1), "#2, a bytes.\n") << log;
    EXPECT_EQ(loader.meshes.count + loader.lights.count + loader.cameras.count + loader.materials.count +
                  loader.nodes.count,
              0u);
  }
}

}  // namespace
