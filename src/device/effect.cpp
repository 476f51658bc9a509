// effect.cpp -- Effect: compiling an .fx file, with the "Eek!" message when it fails
#include "src/device/effect.h"

#include <string>

#include "src/device/device.h"

Effect::Effect() : effect(nullptr), device(nullptr) {}

Effect::~Effect() {
  if (effect) {
    effect->Release();
    effect = nullptr;
  }
}

bool Effect::Load(IDirect3DDevice9* device_, const char* fileName) {
  device = device_;
  ID3DXBuffer* errors = nullptr;
  this->fileName = fileName ? fileName : "";
  HRESULT hr = D3DXCreateEffectFromFileA(device, fileName, nullptr, nullptr, 0, nullptr, &effect, &errors);
  if (SUCCEEDED(hr)) {
    if (errors) errors->Release();  // warnings only
    return true;
  }
  // A missing file comes back without an error buffer: the message then names the file.
  const char* text = errors ? static_cast<const char*>(errors->GetBufferPointer()) : nullptr;
  std::string fallback;
  if (!text || !*text) {
    fallback = std::string("cannot load the effect file \"") + (fileName ? fileName : "(null)") + "\"";
    text = fallback.c_str();
  }
  MessageBoxA(nullptr, text, kEekCaption, MB_OK);
  if (errors) errors->Release();
  return false;
}
