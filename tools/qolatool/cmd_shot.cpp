// cmd_shot.cpp -- `qolatool shot`: one frame of a 3DS scene through an animated camera, as a PNG
//
// The frame is drawn by the demo's own code on an offscreen device: the Device singleton, the
// effect and shadow map of PrepareShadowMap, Scene::Load and Scene::RenderFromCamera with both
// passes, then the back buffer is read back through GetRenderTargetData.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/services/unattended.h"
#include "src/import3ds/loader3ds.h"
#include "src/scene/scene.h"
#include "src/scene/scene_render.h"
#include "src/device/device.h"
#include "tools/pictures/image.h"
#include "tools/pictures/readback.h"
#include "tools/qolatool/arguments.h"
#include "tools/qolatool/subcommand.h"

namespace {

constexpr float kShotScale = 0.01f;

constexpr const char* kHelp =
    "usage: qolatool shot FILE NAME --at MS -o OUT.png [--fx EFFECT] [--maps DIR] [--size WxH]\n"
    "\n"
    "Renders the 3DS scene FILE through its camera animation NAME (a keyframer node name,\n"
    "matched exactly) at MS whole milliseconds of scene-shot time (keyframer frame MS x 0.01),\n"
    "exactly as the demo's scene shot draws it but with every mesh unturned: the shadow pass from\n"
    "the scene's first light, then the lit pass, on an offscreen device with four samples per\n"
    "pixel. The back buffer is written to OUT.png (8-bit RGB).\n"
    "\n"
    "  --fx EFFECT   the scene effect (default \"media/Phong.fx\", as the demo loads it)\n"
    "  --maps DIR    the folder of the material maps (default \"media/maps/\"); a map that\n"
    "                cannot be read is named on standard error and its subsets draw with the\n"
    "                map drawn before them\n"
    "  --size WxH    the picture's size (default 1024x768, the demo's)\n"
    "\n"
    "The reader's trace \"log.txt\" is written to the current directory, as the demo writes it.\n"
    "A mesh the demo would not build is named on standard error and left out of the picture.\n"
    "\n"
    "Exit status: 0 when OUT.png was written; 1 when the scene file is refused, the effect or the\n"
    "shadow map cannot be made, the scene has no light, no camera animation is named NAME, no\n"
    "device can be made or OUT.png cannot be written, each with a message on standard error;\n"
    "2 for bad arguments.\n";

struct Options {
  const char* file = nullptr;
  const char* name = nullptr;
  uint32_t ms = 0;
  bool haveMs = false;
  const char* out = nullptr;
  const char* fx = "media/Phong.fx";
  std::string maps = "media/maps/";
  int width = 1024;
  int height = 768;
};

int Usage(const std::string& problem) { return UsageError("shot", problem); }

bool ParseSize(const char* text, int* width, int* height) {
  unsigned w = 0, h = 0;
  char tail = 0;
  if (std::sscanf(text, "%ux%u%c", &w, &h, &tail) != 2 || w < 16 || h < 16 || w > 4096 || h > 4096) return false;
  *width = static_cast<int>(w);
  *height = static_cast<int>(h);
  return true;
}

// 0 when the arguments are good, otherwise the exit code (help printed or a usage message).
int ParseArguments(int argc, char** argv, Options* o, bool* help) {
  std::vector<const char*> positional;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      *help = true;
      return 0;
    }
    const bool takesValue = arg == "--at" || arg == "-o" || arg == "--fx" || arg == "--maps" || arg == "--size";
    if (takesValue && i + 1 >= argc) return Usage(arg + " needs a value");
    if (arg == "--at") {
      if (!ParseMs(argv[++i], &o->ms)) return Usage("--at needs a whole number of milliseconds");
      if (o->haveMs) return Usage("give one --at");
      o->haveMs = true;
    } else if (arg == "-o") {
      o->out = argv[++i];
    } else if (arg == "--fx") {
      o->fx = argv[++i];
    } else if (arg == "--maps") {
      o->maps = argv[++i];
      if (!o->maps.empty() && o->maps.back() != '/') o->maps += '/';  // names are appended directly
    } else if (arg == "--size") {
      if (!ParseSize(argv[++i], &o->width, &o->height)) return Usage("--size needs WxH, each 16 to 4096");
    } else if (arg.size() > 1 && arg[0] == '-') {
      return Usage("unknown option " + arg);
    } else {
      positional.push_back(argv[i]);
    }
  }
  if (positional.size() != 2) return Usage("expected FILE and NAME");
  if (!o->haveMs) return Usage("expected --at MS");
  if (!o->out) return Usage("expected -o OUT.png");
  o->file = positional[0];
  o->name = positional[1];
  return 0;
}

// Draws the frame and writes it; the exit code.
int Shoot(Device* device, const Options& o) {
  if (!device->CreateOffscreen(o.width, o.height)) {
    std::fprintf(stderr, "qolatool shot: no offscreen Direct3D device (is there a display with OpenGL 3.3?)\n");
    return 1;
  }
  if (FAILED(PrepareShadowMap(device, o.fx))) {
    std::fprintf(stderr, "qolatool shot: %s: the scene effect cannot be made\n", o.fx);
    return 1;
  }
  if (!shadowMap || !shadowDepth) {
    std::fprintf(stderr, "qolatool shot: the shadow map cannot be made\n");
    return 1;
  }
  if (!scene.Load(device, o.file, o.maps.c_str())) {
    Loader3DS loader;  // run again for the reader's reason
    loader.Load(o.file, "");
    std::fprintf(stderr, "qolatool shot: %s\n", loader.Problem().c_str());
    return 1;
  }
  if (scene.lights.count == 0) {
    std::fprintf(stderr, "qolatool shot: %s: the scene has no light\n", o.file);
    return 1;
  }
  if (!scene.FindAnimation(o.name)) {
    std::fprintf(stderr, "qolatool shot: %s: no camera animation is named \"%s\"\n", o.file, o.name);
    return 1;
  }
  if (FAILED(scene.RenderFromCamera(device, o.name, o.ms, kShotScale))) {
    std::fprintf(stderr, "qolatool shot: %s: the effect lacks the technique \"ShadowMap\" or \"Scene\"\n", o.fx);
    return 1;
  }
  pictures::Image picture;
  if (!pictures::ReadBackBuffer(device->device, &picture)) {
    std::fprintf(stderr, "qolatool shot: the back buffer cannot be read back\n");
    return 1;
  }
  std::string problem;
  if (!pictures::SavePng(picture, o.out, &problem)) {
    std::fprintf(stderr, "qolatool shot: %s\n", problem.c_str());
    return 1;
  }
  return 0;
}

int RunShot(int argc, char** argv) {
  Options options;
  bool help = false;
  int status = ParseArguments(argc, argv, &options, &help);
  if (help) {
    std::fputs(kHelp, stdout);
    return 0;
  }
  if (status != 0) return status;
  // A tool never waits for a person: message boxes go to standard error only.
  platform_unattended::Set(true);
  Device* device = Device::Instance();
  status = Shoot(device, options);
  // The scene's meshes and the shadow map go before the device they were made on.
  scene.Clear();
  ReleaseShadowMap();
  Device::DeleteInstance();
  return status;
}

const Subcommand kShot{"shot", "FILE NAME --at MS -o OUT.png", "render a 3DS scene through a camera to a PNG, as the demo draws it",
                       RunShot};

}  // namespace
