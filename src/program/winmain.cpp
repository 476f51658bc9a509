// winmain.cpp -- the program's entry function: the options, the Device, the demo's start-up,
// frames until Escape, the shutdown
//
// The music position drives everything; the loop has no pacing of its own beyond the device's
// presentation interval. Without options this is the demo as it always was.
#include <windows.h>

#include "src/device/device.h"
#include "src/program/demo_program.h"
#include "src/program/player.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
  PlayerOptions options;
  int exitCode = 0;
  if (!ReadPlayerCommandLine(commandLine, &options, &exitCode)) return exitCode;
  if (!CreatePlayerOrDemoDevice(options)) return 1;
  Device* device = Device::Instance();
  // With --from the music waits through the loading and starts at the chosen time.
  if (!StartDemo(device, options.hasFrom)) {
    StopDemo();
    return 1;
  }
  if (!StartMusicForPlayer(options)) {
    StopDemo();
    return 2;
  }
  RunPlayerFrames(device);
  StopDemo();
  return 0;
}
