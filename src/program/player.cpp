// player.cpp -- qola's options around the demo: the device they ask for, the start time, the loop
#include "src/program/player.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fmod.h"
#include "src/program/player_window.h"
#include "src/program/demo_program.h"
#include "src/script/demo_script_instance.h"
#include "src/device/device.h"

namespace {

constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;

bool Verbose() {
  const char* v = std::getenv("QOLA_VERBOSE");
  return v && *v && std::strcmp(v, "0") != 0;
}

}  // namespace

bool ReadPlayerCommandLine(const char* commandLine, PlayerOptions* options, int* exitCode) {
  std::string problem;
  if (!ParsePlayerOptions(commandLine, options, &problem)) {
    std::fprintf(stderr, "%s\n", problem.c_str());
    *exitCode = 2;
    return false;
  }
  if (options->help) {
    std::fputs(kPlayerUsage, stdout);
    *exitCode = 0;
    return false;
  }
  return true;
}

bool CreatePlayerOrDemoDevice(const PlayerOptions& options) {
  Device* device = Device::Instance();
  if (!device) return false;
  bool fullScreen = options.display == PlayerOptions::Display::kFullScreen;
  int created = fullScreen ? device->Create(kScreenWidth, kScreenHeight, FALSE, DefWindowProcA)
                           : CreatePlayerDevice(device, options.display, kScreenWidth, kScreenHeight);
  if (created) return true;
  // Without a device nothing later can work: release what was made and end the program.
  Device::DeleteInstance();
  if (fullScreen && !DisplayListsMode(kScreenWidth, kScreenHeight)) {
    std::fprintf(stderr, "qola: this display has no 1024 x 768 mode; qola --fit or qola --window plays on it\n");
  }
  return false;
}

bool StartMusicForPlayer(const PlayerOptions& options) {
  if (options.avOffsetMs != 0) FSOUND_SetAVOffset(options.avOffsetMs);
  if (!options.hasFrom || !demoScript.stream) return true;
  if (!FSOUND_Stream_SetTime(demoScript.stream, static_cast<int>(options.fromMs))) {
    std::fprintf(stderr, "qola: --from %u: the music \"%s\" is %d ms long; give a time within it\n",
                 options.fromMs, demoScript.musicFileName.c_str(), FSOUND_Stream_GetLengthMs(demoScript.stream));
    return false;
  }
  demoScript.SetPlaying(true);
  return true;
}

uint64_t RunPlayerFrames(Device* device) {
  uint64_t frames = 0;
  while (GetAsyncKeyState(VK_ESCAPE) == 0 && !PlayerWindowClosed()) {
    if (frames == 0 && Verbose() && demoScript.stream) {
      std::fprintf(stderr, "qola: first frame at music position %d ms\n", FSOUND_Stream_GetTime(demoScript.stream));
    }
    RunDemoFrame(device);
    ++frames;
  }
  return frames;
}
