// effect_fuzz.cpp -- libFuzzer target: the effect file parser on arbitrary bytes
//
// Only the parse runs (shaders are compiled by the device, which a fuzzer has not): what it
// accepts must hold together, every name found by its lookup and every reference resolved.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/d3dx9/readers/effect_desc.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  d3dx9fx::EffectDesc desc;
  std::string error;
  if (!d3dx9fx::ParseEffect("fuzz.fx", text, &desc, &error)) {
    if (error.compare(0, 8, "fuzz.fx(") != 0) std::abort();  // a refusal names the file and line
    return 0;
  }
  if (desc.parameters.size() > d3dx9fx::kMaxParameters || desc.techniques.empty()) std::abort();
  for (size_t i = 0; i < desc.parameters.size(); ++i) {
    const d3dx9fx::Parameter& p = desc.parameters[i];
    if (desc.FindParameter(p.name) != static_cast<int>(i)) std::abort();
    if (p.type == d3dx9fx::ParamType::kSampler && desc.FindParameter(p.textureName) < 0) std::abort();
  }
  for (const d3dx9fx::Technique& t : desc.techniques) {
    for (const d3dx9fx::Pass& pass : t.passes) {
      if (desc.FindShader(pass.vertexShader, true) < 0 || desc.FindShader(pass.pixelShader, false) < 0) std::abort();
    }
  }
  return 0;
}
