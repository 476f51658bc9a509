// effect_desc.h -- an effect file as parsed: parameters, shader blocks, techniques and passes
//
// The parser (effect_parse.cpp) fills this from the text; the effect object (effect_object.cpp)
// compiles its shaders and applies its passes. Nothing here touches GL or the device.
#pragma once

#include <d3d9.h>

#include <cstddef>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace d3dx9fx {

// What one effect file may declare. A file past these is refused with a message, so a hostile
// file costs at most a bounded amount of parsing, memory and shader work.
const size_t kMaxEffectFileBytes = 4u << 20;
const size_t kMaxParameters = 1024;
const size_t kMaxShaders = 256;
const size_t kMaxTechniques = 256;
const size_t kMaxPassesPerTechnique = 32;
const size_t kMaxSamplers = 8;  // the device's sampler units

enum class ParamType { kFloat, kFloat2, kFloat3, kFloat4, kFloat4x4, kTexture, kSampler };

const char* ParamTypeName(ParamType type);  // the .fx keyword: "float4x4", "sampler", ...
int ParamFloatCount(ParamType type);        // 0 for textures and samplers

using SamplerState = std::pair<D3DSAMPLERSTATETYPE, DWORD>;
using RenderState = std::pair<D3DRENDERSTATETYPE, DWORD>;

struct Parameter {
  std::string name;
  ParamType type = ParamType::kFloat;
  int line = 0;
  float value[16] = {};                        // floats, row-major for matrices
  std::string textureName;                     // sampler: the texture parameter it samples
  std::vector<SamplerState> samplerStates;     // sampler: states set when a pass binds it
};

struct ShaderBlock {
  std::string name;
  bool vertex = true;
  std::string source;  // the GLSL between the braces
  int line = 0;        // file line of the first source character
};

struct Pass {
  std::string name;
  int line = 0;
  std::vector<RenderState> renderStates;
  std::string vertexShader, pixelShader;  // names of shader blocks
};

struct Technique {
  std::string name;
  int line = 0;
  std::vector<Pass> passes;
};

struct EffectDesc {
  std::vector<Parameter> parameters;
  std::vector<ShaderBlock> shaders;
  std::vector<Technique> techniques;
  // Name lookups in constant time; filled by the parser with the vectors above.
  std::unordered_map<std::string, int> parameterIndex;
  std::unordered_map<std::string, int> shaderIndex[2];  // [0] pixel shaders, [1] vertex shaders

  int FindParameter(const std::string& name) const;  // index or -1
  int FindShader(const std::string& name, bool vertex) const;
};

// Parses an effect file's text. On failure: false, with "FILE(LINE): error: ..." in *error.
bool ParseEffect(const std::string& fileName, const std::string& text, EffectDesc* out, std::string* error);

}  // namespace d3dx9fx
