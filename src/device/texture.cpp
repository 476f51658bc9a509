// texture.cpp -- Texture: loading an image file into a Direct3D texture
#include "src/device/texture.h"

#include <d3dx9tex.h>

Texture::Texture() : device(nullptr), texture(nullptr) {}

Texture::~Texture() {
  if (texture) {
    texture->Release();
    texture = nullptr;
  }
}

HRESULT Texture::Load(IDirect3DDevice9* device_, const char* fileName) {
  device = device_;
  if (!device || !fileName) return D3DERR_INVALIDCALL;
  this->fileName = fileName;
  return D3DXCreateTextureFromFileA(device, fileName, &texture);
}
