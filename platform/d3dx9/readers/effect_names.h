// effect_names.h -- names an effect parameter may not take: each becomes a GLSL uniform
#pragma once

#include <string>

namespace d3dx9fx {

// Why `name` cannot be a parameter's name (a GLSL keyword, a reserved GLSL name, a name the layer
// declares in every shader), or nullptr when it can.
const char* ReservedNameReason(const std::string& name);

}  // namespace d3dx9fx
