// reloader.cpp -- the demo's loaders run again for a saved file, the old version kept on failure
#include "tools/preview/reloader.h"

#include <d3dx9.h>

#include <algorithm>
#include <vector>

#include "fmod.h"
#include "src/device/device.h"
#include "src/device/effect.h"
#include "src/device/texture.h"
#include "src/effects/scene_shot.h"
#include "src/effects/sphere_distortion.h"
#include "src/script/demo_script_instance.h"

namespace preview {

namespace {

bool EndsWith(const std::string& s, const char* tail) {
  size_t n = std::char_traits<char>::length(tail);
  return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

// "./media/x.png" and "media/x.png" name the same file.
std::string Plain(const std::string& path) { return path.compare(0, 2, "./") == 0 ? path.substr(2) : path; }

template <typename T>
std::vector<T*> ResourcesOf(Device* device, const std::string& path) {
  std::vector<T*> found;
  for (uint32_t i = 0; i < device->resources.count; ++i) {
    T* resource = dynamic_cast<T*>(device->resources[i]);
    if (resource && Plain(resource->fileName) == path) found.push_back(resource);
  }
  return found;
}

// Sets on `to` every parameter the program had set on `from`, by name, where both agree on its
// kind; the technique in use too.
void CarryParameters(ID3DXEffect* from, ID3DXEffect* to) {
  D3DXEFFECT_DESC desc;
  if (FAILED(from->GetDesc(&desc))) return;
  for (UINT i = 0; i < desc.Parameters; ++i) {
    D3DXHANDLE h = from->GetParameter(nullptr, i);
    D3DXPARAMETER_DESC a, b;
    if (!h || !D3DXEffectParameterWasSet(from, h) || FAILED(from->GetParameterDesc(h, &a))) continue;
    D3DXHANDLE g = to->GetParameterByName(nullptr, a.Name);
    if (!g || FAILED(to->GetParameterDesc(g, &b)) || a.Type != b.Type || a.Class != b.Class || a.Rows != b.Rows ||
        a.Columns != b.Columns) {
      continue;
    }
    if (a.Type == D3DXPT_TEXTURE || a.Type == D3DXPT_TEXTURE2D) {
      IDirect3DBaseTexture9* texture = nullptr;
      if (SUCCEEDED(from->GetTexture(h, &texture))) {
        to->SetTexture(g, texture);
        if (texture) texture->Release();
      }
    } else if (a.Type == D3DXPT_FLOAT) {
      float values[16];
      UINT count = std::min<UINT>(a.Rows * a.Columns, 16);
      if (SUCCEEDED(from->GetFloatArray(h, values, count))) to->SetFloatArray(g, values, count);
    }
  }
  D3DXHANDLE technique = from->GetCurrentTechnique();
  if (technique && to->GetTechniqueByName(technique)) to->SetTechnique(technique);
}

}  // namespace

Reloader::What Reloader::Classify(const std::string& rawPath) const {
  const std::string path = Plain(rawPath);
  if (path == "go.xml") return What::kScript;
  if (path == Plain(demoScript.musicFileName)) return What::kMusic;
  if (path == kSceneShotFile) return What::kScene;
  if (path == kSphereMeshFile) return What::kMesh;
  if (EndsWith(path, ".fx") && !ResourcesOf<Effect>(device_, path).empty()) return What::kEffect;
  if (!ResourcesOf<Texture>(device_, path).empty()) return What::kTexture;
  return What::kNothing;
}

bool Reloader::Reload(const std::string& rawPath, What what, std::string* problem) {
  const std::string path = Plain(rawPath);
  switch (what) {
    case What::kScript: return ReloadScript(problem);
    case What::kEffect: return ReloadEffects(path, problem);
    case What::kTexture: return ReloadTextures(path, problem);
    case What::kMusic: return ReopenMusic(problem);
    case What::kScene: return ReloadSceneShot(device_, problem);
    case What::kMesh:
      if (ReloadSphereMesh(device_)) return true;
      *problem = path + ": the mesh cannot be loaded; the last good one stays";
      return false;
    case What::kNothing: return true;
  }
  return true;
}

bool Reloader::ReloadScript(std::string* problem) {
  // Read as the demo reads it, but without the music, refusals kept off the message box.
  const std::string music = demoScript.musicFileName;
  auto report = demoScript.reportProblem;
  demoScript.reportProblem = nullptr;
  GenericTimelineEvent prototype;
  bool ok = demoScript.ReadScript("go.xml", &prototype);
  demoScript.reportProblem = report;
  if (!ok) {
    *problem = demoScript.problem;
    return false;
  }
  // A new music file name reopens the music, where there is music playing (a preview without
  // music stays silent).
  if (Plain(demoScript.musicFileName) != Plain(music) && demoScript.stream) return ReopenMusic(problem);
  return true;
}

bool Reloader::ReopenMusic(std::string* problem) {
  FSOUND_STREAM* fresh = FSOUND_Stream_Open(demoScript.musicFileName.c_str(), FSOUND_MPEGACCURATE, 0, 0);
  if (!fresh) {
    *problem = demoScript.musicFileName + ": the music cannot be read; the old music plays on";
    return false;
  }
  // The caller moves the new stream to the old one's place, pause and loop.
  if (demoScript.stream) FSOUND_Stream_Close(demoScript.stream);
  demoScript.stream = fresh;
  return true;
}

bool Reloader::ReloadEffects(const std::string& path, std::string* problem) {
  for (Effect* effect : ResourcesOf<Effect>(device_, path)) {
    ID3DXEffect* fresh = nullptr;
    ID3DXBuffer* errors = nullptr;
    HRESULT hr = D3DXCreateEffectFromFileA(effect->device, path.c_str(), nullptr, nullptr, 0, nullptr, &fresh, &errors);
    if (FAILED(hr) || !fresh) {
      *problem = errors && errors->GetBufferPointer() ? static_cast<const char*>(errors->GetBufferPointer())
                                                      : path + ": the effect cannot be compiled";
      while (!problem->empty() && (problem->back() == '\n' || problem->back() == '\0')) problem->pop_back();
      if (errors) errors->Release();
      if (fresh) fresh->Release();
      return false;
    }
    if (errors) errors->Release();
    if (effect->effect) {
      CarryParameters(effect->effect, fresh);
      effect->effect->Release();
    }
    effect->effect = fresh;
  }
  return true;
}

bool Reloader::ReloadTextures(const std::string& path, std::string* problem) {
  for (Texture* texture : ResourcesOf<Texture>(device_, path)) {
    IDirect3DTexture9* fresh = nullptr;
    HRESULT hr = D3DXCreateTextureFromFileA(texture->device, path.c_str(), &fresh);
    if (FAILED(hr) || !fresh) {
      *problem = path + ": the picture cannot be loaded (" +
                 (hr == D3DXERR_INVALIDDATA ? std::string("not a picture D3DX reads, or cut short") : "error " + std::to_string(hr)) +
                 "); the last good one stays";
      return false;
    }
    if (texture->texture) texture->texture->Release();
    texture->texture = fresh;
  }
  return true;
}

std::vector<std::string> Reloader::LoadedFiles() const {
  std::vector<std::string> files{"go.xml"};
  auto add = [&files](const std::string& f) {
    std::string p = Plain(f);
    if (!p.empty() && std::find(files.begin(), files.end(), p) == files.end()) files.push_back(p);
  };
  add(demoScript.musicFileName);
  add(kSceneShotFile);
  add(kSphereMeshFile);
  for (uint32_t i = 0; i < device_->resources.count; ++i) {
    if (auto* e = dynamic_cast<Effect*>(device_->resources[i])) add(e->fileName);
    if (auto* t = dynamic_cast<Texture*>(device_->resources[i])) add(t->fileName);
  }
  return files;
}

void Reloader::Record(const std::string& rawPath, bool ok, const std::string& problem) {
  const std::string path = Plain(rawPath);
  failing_.erase(std::remove_if(failing_.begin(), failing_.end(), [&](const auto& f) { return f.first == path; }),
                 failing_.end());
  if (!ok) failing_.emplace_back(path, problem);
}

const std::string& Reloader::Failure() const { return failing_.empty() ? none_ : failing_.back().second; }

}  // namespace preview
