// device_factories.cpp -- the Device's vertex-buffer, texture and effect factories
//
// A wrapper is registered only once its Direct3D object exists; a wrapper that failed is
// deleted at once, so the registry holds only live resources and nothing leaks.
#include "src/device/device.h"
#include "src/device/effect.h"
#include "src/device/texture.h"
#include "src/device/vertex_buffer.h"

namespace {

// Registers resource with owner's registry; deletes it when the registry cannot grow.
template <typename T>
T* Registered(Device* owner, T* resource) {
  if (owner->Register(resource) >= 0) return resource;
  delete resource;
  return nullptr;
}

}  // namespace

VertexBuffer* Device::CreateVertexBuffer(int stride, int count, DWORD usage, DWORD fvf,
                                         D3DPOOL pool) {
  VertexBuffer* buffer = new VertexBuffer();
  if (FAILED(buffer->Create(device, stride, count, usage, fvf, pool))) {
    delete buffer;
    return nullptr;
  }
  return Registered(this, buffer);
}

Texture* Device::LoadTexture(const char* fileName) {
  Texture* texture = new Texture();
  if (FAILED(texture->Load(device, fileName))) {
    delete texture;
    return nullptr;
  }
  return Registered(this, texture);
}

Effect* Device::LoadEffect(const char* fileName) {
  Effect* effect = new Effect();
  if (!effect->Load(device, fileName)) {  // the message has been shown
    delete effect;
    return nullptr;
  }
  return Registered(this, effect);
}
