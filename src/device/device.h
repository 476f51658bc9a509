// device.h -- Device: the program's one window and Direct3D 9 device, and its resource registry
//
// A process-wide singleton: Device::Instance makes it, the entry function deletes it with
// Device::DeleteInstance. Its factories make the vertex buffers, textures and effects of the
// drawing code; the Device owns them and deletes them, in creation order, when it shuts down.
#pragma once

#include <windows.h>

#include <d3d9.h>

#include "src/common/grow_array.h"
#include "src/device/device_resource.h"

class Effect;
class Texture;
class VertexBuffer;

class Device {
 public:
  // The singleton, made on the first call; null only when it cannot be allocated.
  static Device* Instance();
  // Deletes the singleton (Device::Shutdown through the destructor) and forgets it.
  static void DeleteInstance();

  virtual ~Device();

  // The window and the device: 1 on success, 0 on failure. A failed step leaves what was made
  // before it for Shutdown. A null windowProc stands for DefWindowProcA.
  int Create(int width, int height, int windowed, WNDPROC windowProc);
  // The same device without a window, for rendering that nobody watches (capture, qolatool
  // shot, tests): the full-screen device's parameters (X8R8G8B8, four samples unless told
  // otherwise, D16 depth), a back buffer that is never shown and a Present that never waits for
  // a retrace. 1 on success, 0 on failure.
  int CreateOffscreen(int width, int height, D3DMULTISAMPLE_TYPE samples = D3DMULTISAMPLE_4_SAMPLES);
  // Removes and dispatches every pending window message.
  void PumpMessages();

  // Factories: a new registered resource, or null (nothing registered) when it cannot be made.
  VertexBuffer* CreateVertexBuffer(int stride, int count, DWORD usage, DWORD fvf, D3DPOOL pool);
  Texture* LoadTexture(const char* fileName);
  Effect* LoadEffect(const char* fileName);  // src/device/effect.cpp

  // Appends a resource to the registry: its index, or -1 when the registry cannot grow.
  int Register(DeviceResource* resource);

  // Deletes every registered resource in creation order, releases the Direct3D device and
  // object, destroys the window and unregisters its class. Safe to call more than once.
  void Shutdown();

  GrowArray<DeviceResource*> resources;  // in creation order
  IDirect3DDevice9* device;              // null until Create succeeds
  IDirect3D9* direct3d;
  WNDPROC windowProc;
  HWND window;
  int width;
  int height;
  int windowed;
  D3DPRESENT_PARAMETERS presentParameters;  // as filled in before the device was created

  // The device's present parameters into presentParameters: four samples, D16 depth, two back
  // buffers, one present per retrace; windowed in the given format at the window's size, or
  // full screen in X8R8G8B8 at width x height.
  void FillPresentParameters(int width, int height, int windowed, D3DFORMAT format);
  // The Direct3D device on the window with presentParameters: hardware vertex processing
  // first, software when that is refused. 1 on success, 0 on failure.
  int CreateDirect3DDevice();

 private:
  Device();
  Device(const Device&) = delete;
  Device& operator=(const Device&) = delete;

  int ChooseAdapterFormat(int width, int height, int windowed, D3DFORMAT* format);

  static Device* instance;
};

// The window class of the Device's window, and the caption of the shell's message boxes.
extern const char kDeviceWindowClass[];
extern const char kEekCaption[];
