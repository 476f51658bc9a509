// cmd_fx.cpp -- `qolatool fx`: compile effect files as the demo does and list what they declare
//
// Each file goes through D3DXCreateEffectFromFileA on an offscreen device, so a file this
// accepts is a file the demo compiles; the listing comes from the effect's own descriptions.
#include <d3dx9.h>

#include <cstdio>
#include <cstring>

#include "platform/services/unattended.h"
#include "src/device/device.h"
#include "tools/qolatool/subcommand.h"

namespace {

constexpr const char* kHelp =
    "usage: qolatool fx FILE...\n"
    "\n"
    "Compiles each effect file (docs/effect-files.md) on an offscreen Direct3D device, exactly as\n"
    "the demo loads it, and lists on standard output, for each file:\n"
    "\n"
    "  effect FILE\n"
    "  parameter NAME TYPE        one line per parameter, in file order (TYPE: float, float2,\n"
    "                             float3, float4, float4x4, texture, sampler)\n"
    "  technique NAME passes N    one line per technique, in file order, each followed by\n"
    "  pass NAME                  one line per pass\n"
    "\n"
    "Exit status: 0 when every file compiled; 1 when one did not (the compiler's messages, each\n"
    "with the file and line, go to standard error, and the other files are still compiled) or\n"
    "no device can be made; 2 for bad arguments.\n";

// The .fx keyword of a parameter's type.
const char* TypeName(const D3DXPARAMETER_DESC& d) {
  switch (d.Type) {
    case D3DXPT_TEXTURE: return "texture";
    case D3DXPT_SAMPLER: return "sampler";
    case D3DXPT_FLOAT:
      if (d.Class == D3DXPC_SCALAR) return "float";
      if (d.Class == D3DXPC_VECTOR) {
        static const char* const kVectors[] = {"float", "float", "float2", "float3", "float4"};
        return d.Columns <= 4 ? kVectors[d.Columns] : "?";
      }
      if (d.Rows == 4 && d.Columns == 4) return "float4x4";
      return "?";
    default: return "?";
  }
}

void List(const char* file, ID3DXEffect* effect) {
  std::printf("effect %s\n", file);
  D3DXEFFECT_DESC desc;
  if (FAILED(effect->GetDesc(&desc))) return;
  for (UINT i = 0; i < desc.Parameters; ++i) {
    D3DXPARAMETER_DESC p;
    if (SUCCEEDED(effect->GetParameterDesc(effect->GetParameter(nullptr, i), &p)))
      std::printf("parameter %s %s\n", p.Name, TypeName(p));
  }
  for (UINT i = 0; i < desc.Techniques; ++i) {
    D3DXHANDLE technique = effect->GetTechnique(i);
    D3DXTECHNIQUE_DESC t;
    if (FAILED(effect->GetTechniqueDesc(technique, &t))) continue;
    std::printf("technique %s passes %u\n", t.Name, t.Passes);
    for (UINT j = 0; j < t.Passes; ++j) {
      D3DXPASS_DESC pass;
      if (SUCCEEDED(effect->GetPassDesc(effect->GetPass(technique, j), &pass))) std::printf("pass %s\n", pass.Name);
    }
  }
}

int RunFx(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0) {
      std::fputs(kHelp, stdout);
      return 0;
    }
  }
  if (argc < 2) {
    std::fputs("qolatool fx: no effect file given (see qolatool fx --help)\n", stderr);
    return 2;
  }
  // The demo's own device without a window, small and single-sampled: nothing appears on the
  // screen and nothing waits for a person.
  platform_unattended::Set(true);
  Device* device = Device::Instance();
  if (!device->CreateOffscreen(64, 64, D3DMULTISAMPLE_NONE)) {
    std::fputs("qolatool fx: no Direct3D device (a display with OpenGL 3.3 is needed)\n", stderr);
    Device::DeleteInstance();
    return 1;
  }
  int status = 0;
  for (int i = 1; i < argc; ++i) {
    ID3DXEffect* effect = nullptr;
    ID3DXBuffer* errors = nullptr;
    HRESULT hr = D3DXCreateEffectFromFileA(device->device, argv[i], nullptr, nullptr, 0, nullptr, &effect, &errors);
    if (SUCCEEDED(hr)) {
      List(argv[i], effect);
      effect->Release();
    } else if (errors) {
      std::fprintf(stderr, "%s", static_cast<const char*>(errors->GetBufferPointer()));
      status = 1;
    } else {
      std::fprintf(stderr, "%s: cannot be opened\n", argv[i]);
      status = 1;
    }
    if (errors) errors->Release();
  }
  Device::DeleteInstance();
  return status;
}

Subcommand fx{"fx", "FILE...", "compile effect files and list their parameters, techniques and passes", RunFx};

}  // namespace
