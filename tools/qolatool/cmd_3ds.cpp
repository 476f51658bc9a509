// cmd_3ds.cpp -- `qolatool 3ds`: run the demo's 3DS reader on a file and list the records it read
//
// The reader is the demo's own Loader3DS, so "log.txt" appears in the working directory exactly
// as the demo writes it, and the records listed are the ones the scene build would get.
#include <cstdio>
#include <cstring>
#include <string>

#include "src/import3ds/loader3ds.h"
#include "tools/qolatool/subcommand.h"

namespace {

constexpr const char* kHelp =
    "usage: qolatool 3ds FILE [TEXDIR]\n"
    "\n"
    "Reads the 3DS scene FILE with the demo's reader, as the demo does with TEXDIR as the texture\n"
    "folder (default \"media/maps/\"), writes the reader's trace \"log.txt\" into the current\n"
    "directory and lists the records read on standard output, one line each, in this order:\n"
    "\n"
    "  ambient R G B\n"
    "  mesh NAME vertices V faces F groups G origin X Y Z\n"
    "  material NAME ambient R G B diffuse R G B specular R G B map MAP uscale U vscale V\n"
    "  light NAME spot S position X Y Z colour R G B target X Y Z hotspot H falloff F\n"
    "  camera NAME position X Y Z target X Y Z bank B lens L\n"
    "  node NAME position P target T roll R\n"
    "\n"
    "Meshes, materials, lights, cameras and nodes each come in file order. NAME and MAP are\n"
    "double-quoted; a '\"' or '\\' in them is written as \\\" or \\\\ and any byte outside\n"
    "printable ASCII as \\xNN. MAP is the word none when the material has no texture map.\n"
    "V, F and G (vertex, face and face-group counts) are decimal; S is 1 for a spot light,\n"
    "0 otherwise; P, T and R are the numbers of keys the node's position, target and roll\n"
    "tracks hold. Every other number is a float with six decimals, as stored in the file\n"
    "(no exchange of axes); origin is the last row of the mesh's matrix; -1 for a colour\n"
    "means the file gave it in a form other than three bytes.\n"
    "\n"
    "Exit status:\n"
    "  0  the file was read and its chunks walked exactly to the end of the file. This includes\n"
    "     a file cut on a chunk boundary, whose main chunk claims more bytes than the file\n"
    "     holds: the demo loads what is there, so does this command, and a warning on standard\n"
    "     error names the file, the main chunk's length and the file's size.\n"
    "  1  the file cannot be opened, does not begin with the main chunk id 4d4d, or a chunk\n"
    "     header, a chunk or a list inside it runs past the end of the file: the records read\n"
    "     up to there are listed and the problem is named on standard error.\n"
    "  2  bad arguments.\n";

std::string Quoted(const char* text) {
  std::string out = "\"";
  for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); p && *p; ++p) {
    if (*p == '"' || *p == '\\') {
      out += '\\';
      out += static_cast<char>(*p);
    } else if (*p < 0x20 || *p > 0x7E) {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02x", *p);
      out += hex;
    } else {
      out += static_cast<char>(*p);
    }
  }
  return out + "\"";
}

void PrintFloats(const char* label, const float* values, int n) {
  std::printf(" %s", label);
  for (int i = 0; i < n; ++i) std::printf(" %f", static_cast<double>(values[i]));
}

void PrintRecords(Loader3DS& loader) {
  std::printf("ambient %f %f %f\n", static_cast<double>(loader.ambientColour[0]),
              static_cast<double>(loader.ambientColour[1]), static_cast<double>(loader.ambientColour[2]));
  for (const TriangleMesh* mesh : loader.meshes) {
    std::printf("mesh %s vertices %u faces %u groups %u", Quoted(mesh->name).c_str(), mesh->vertexCount,
                mesh->faceCount, mesh->faceGroups.count);
    PrintFloats("origin", mesh->localMatrix + 9, 3);
    std::printf("\n");
  }
  for (const MaterialRecord* m : loader.materials) {
    std::printf("material %s", Quoted(m->name).c_str());
    PrintFloats("ambient", m->ambient, 3);
    PrintFloats("diffuse", m->diffuse, 3);
    PrintFloats("specular", m->specular, 3);
    std::printf(" map %s", m->mapFile ? Quoted(m->mapFile).c_str() : "none");
    std::printf(" uscale %f vscale %f\n", static_cast<double>(m->uScale), static_cast<double>(m->vScale));
  }
  for (const LightRecord* light : loader.lights) {
    std::printf("light %s spot %d", Quoted(light->name).c_str(), light->isSpot ? 1 : 0);
    PrintFloats("position", light->position, 3);
    PrintFloats("colour", light->colour, 3);
    PrintFloats("target", light->target, 3);
    std::printf(" hotspot %f falloff %f\n", static_cast<double>(light->hotspot), static_cast<double>(light->falloff));
  }
  for (const CameraRecord* camera : loader.cameras) {
    std::printf("camera %s", Quoted(camera->name).c_str());
    PrintFloats("position", camera->position, 3);
    PrintFloats("target", camera->target, 3);
    std::printf(" bank %f lens %f\n", static_cast<double>(camera->bank), static_cast<double>(camera->lens));
  }
  for (const KeyframeObjectInfo* node : loader.nodes) {
    std::printf("node %s position %u target %u roll %u\n", Quoted(node->name).c_str(), node->positionTrack.frames.count,
                node->targetTrack.frames.count, node->rollTrack.frames.count);
  }
}

// The reader walks to the end of the file and does not hold the main chunk to its length, so a
// file cut on a chunk boundary reads as a whole one; say so, since the file is not what it claims.
void WarnIfCut(const char* path, const Loader3DS& loader) {
  if (loader.fileImage.size < 6) return;
  const uint32_t claimed = import3ds::ReadU32LE(loader.fileImage.data + 2);
  if (claimed > loader.fileImage.size) {
    std::fprintf(stderr,
                 "qolatool 3ds: warning: %s: the main chunk claims %u bytes but the file holds %u; the file "
                 "looks cut short, and the records up to its end were read\n",
                 path, claimed, loader.fileImage.size);
  }
}

int Run3ds(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kHelp, stdout);
      return 0;
    }
  }
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "qolatool 3ds: expected FILE [TEXDIR]\n(qolatool 3ds --help explains the arguments)\n");
    return 2;
  }
  Loader3DS loader;
  bool loaded = loader.Load(argv[1], argc == 3 ? argv[2] : "media/maps/");
  PrintRecords(loader);
  if (!loaded) {
    std::fprintf(stderr, "qolatool 3ds: %s\n", loader.Problem().c_str());
    return 1;
  }
  WarnIfCut(argv[1], loader);
  return 0;
}

const Subcommand kThreeDs{"3ds", "FILE [TEXDIR]", "run the demo's 3DS reader, write log.txt, list the records", Run3ds};

}  // namespace
