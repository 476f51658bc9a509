// winmain.cpp -- the program's entry function: the Device, the demo's start-up, frames until
// Escape, the shutdown
//
// The music position drives everything; the loop has no pacing of its own beyond the device's
// presentation interval.
#include <windows.h>

#include "src/program/demo_program.h"
#include "src/device/device.h"

namespace {

constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;

// The Device, full screen, with the default window procedure. False when it could not be made;
// what was made is released by then.
bool CreateDevice() {
  Device* device = Device::Instance();
  if (!device) return false;
  if (!device->Create(kScreenWidth, kScreenHeight, FALSE, DefWindowProcA)) {
    // Without a device nothing later can work: release what was made and end the program.
    Device::DeleteInstance();
    return false;
  }
  return true;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
  if (!CreateDevice()) return 1;
  Device* device = Device::Instance();
  if (!StartDemo(device)) {
    StopDemo();
    return 1;
  }
  RunDemoUntilEscape(device);
  StopDemo();
  return 0;
}
