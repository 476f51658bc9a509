// offscreen_device.h -- the program's Device with an offscreen Direct3D device instead of a window
//
// qolatool shot, the scene tests and the scene benchmark draw the scene exactly as the demo does,
// through the Device singleton and its factories, without opening a window.
#pragma once

#include <string>

class Device;

// Gives device (which has no Direct3D device yet) an offscreen device with a width x height back
// buffer, `samples` samples (0 for none) and a D16 depth buffer, with present parameters filled
// in as the demo's own. False with the reason in *error when it cannot be made.
bool AttachOffscreenDevice(Device* device, int width, int height, int samples, std::string* error);
