// effect.h -- Effect: a D3DX effect compiled from an .fx file
#pragma once

#include <d3dx9.h>

#include <string>

#include "src/device/device_resource.h"

class Effect : public DeviceResource {
 public:
  Effect();
  ~Effect() override;

  // Records device and compiles fileName with D3DXCreateEffectFromFileA. On failure shows the
  // compiler's text (or, when there is none, the file name) in an "Eek!" message box and
  // returns false.
  bool Load(IDirect3DDevice9* device, const char* fileName);

  ID3DXEffect* effect;       // owned; null until loaded
  IDirect3DDevice9* device;  // not owned
  std::string fileName;      // as given to Load: what the preview reloads
};
