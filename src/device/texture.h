// texture.h -- Texture: a Direct3D texture read from an image file by D3DX
#pragma once

#include <d3d9.h>

#include <string>

#include "src/device/device_resource.h"

class Texture : public DeviceResource {
 public:
  Texture();
  ~Texture() override;

  // Records device and reads fileName with D3DXCreateTextureFromFileA; its result code
  // (D3DERR_INVALIDCALL for a null device or file name).
  virtual HRESULT Load(IDirect3DDevice9* device, const char* fileName);

  IDirect3DDevice9* device;     // not owned
  IDirect3DTexture9* texture;  // owned; null until loaded
  std::string fileName;        // as given to Load: what the preview reloads
};
