// cmd_camera.cpp -- `qolatool camera`: where an animated camera of a 3DS scene is at given times
//
// The scene is loaded with the demo's own Scene::Load and each time is evaluated with the camera
// steps of the render, so the numbers are the eye and target the demo would look from and at.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "src/import3ds/loader3ds.h"
#include "src/scene/camera.h"
#include "src/scene/scene.h"
#include "src/device/device.h"
#include "tools/qolatool/arguments.h"
#include "tools/qolatool/subcommand.h"

namespace {

constexpr float kShotScale = 0.01f;  // the scene shots' keyframer frames per millisecond

constexpr const char* kHelp =
    "usage: qolatool camera FILE NAME --at MS [--at MS]...\n"
    "\n"
    "Loads the 3DS scene FILE as the demo loads its scene (the reader's trace \"log.txt\" is\n"
    "written to the current directory; no textures or device meshes are made) and evaluates the\n"
    "camera animation NAME (a keyframer node name, matched exactly) at each time MS, given in\n"
    "whole milliseconds of scene-shot time. For each --at, in the order given, it prints one line:\n"
    "\n"
    "  at MS frame F eye X Y Z target X Y Z roll R\n"
    "\n"
    "F is the keyframer frame MS x 0.01 rounded to a float; eye, target and roll are the seven\n"
    "channels as the render uses them (the file's component order, no exchange of axes; a channel\n"
    "without keys is 0; roll is evaluated but the render does not apply it). Every number but MS\n"
    "is printed with six decimals.\n"
    "\n"
    "Exit status: 0 on success; 1 when the file is refused (it cannot be opened, does not begin\n"
    "with the main chunk or stops early) or has no camera animation named NAME, with a message on\n"
    "standard error; 2 for bad arguments.\n";

int Usage(const std::string& problem) { return UsageError("camera", problem); }

// Why the reader refused path: the reader is run again for its problem text.
std::string RefusalReason(const char* path) {
  Loader3DS loader;
  loader.Load(path, "");
  return loader.Problem().empty() ? std::string(path) + ": refused by the 3DS reader" : loader.Problem();
}

int RunCamera(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kHelp, stdout);
      return 0;
    }
  }
  std::vector<const char*> positional;
  std::vector<uint32_t> times;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--at") == 0) {
      uint32_t ms = 0;
      if (i + 1 >= argc || !ParseMs(argv[i + 1], &ms)) return Usage("--at needs a whole number of milliseconds");
      times.push_back(ms);
      ++i;
    } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
      return Usage((std::string("unknown option ") + argv[i]).c_str());
    } else {
      positional.push_back(argv[i]);
    }
  }
  if (positional.size() != 2) return Usage("expected FILE and NAME");
  if (times.empty()) return Usage("expected at least one --at MS");
  const char* file = positional[0];
  const char* name = positional[1];

  // A Device without a Direct3D device: the scene takes its records and makes nothing to draw.
  Device* device = Device::Instance();
  int status = 0;
  if (!scene.Load(device, file, "media/maps/")) {
    std::fprintf(stderr, "qolatool camera: %s\n", RefusalReason(file).c_str());
    status = 1;
  } else if (const CameraAnimation* camera = scene.FindAnimation(name)) {
    for (uint32_t ms : times) {
      CameraFrame f;
      EvaluateCamera(*camera, ms, kShotScale, &f);
      std::printf("at %u frame %.6f eye %.6f %.6f %.6f target %.6f %.6f %.6f roll %.6f\n", ms,
                  static_cast<double>(f.frameTime), static_cast<double>(f.eye.x), static_cast<double>(f.eye.y),
                  static_cast<double>(f.eye.z), static_cast<double>(f.target.x), static_cast<double>(f.target.y),
                  static_cast<double>(f.target.z), static_cast<double>(f.roll));
    }
  } else {
    std::string names;
    for (const CameraAnimation* a : scene.animations) names += (names.empty() ? "\"" : ", \"") + a->name + "\"";
    std::fprintf(stderr, "qolatool camera: %s: no camera animation is named \"%s\" (it has %s)\n", file, name,
                 names.empty() ? "none" : names.c_str());
    status = 1;
  }
  scene.Clear();
  Device::DeleteInstance();
  return status;
}

const Subcommand kCamera{"camera", "FILE NAME --at MS...", "print where an animated camera of a 3DS scene is at given times",
                         RunCamera};

}  // namespace
