// effect_program.h -- compiling and linking the GLSL programs of an effect's passes
#pragma once

#include <epoxy/gl.h>

#include <string>

#include "platform/d3dx9/readers/effect_desc.h"

namespace d3dx9fx {

// The GLSL type a parameter is declared with ("mat4", "vec3", "sampler2D"); null for textures.
const char* GlslType(ParamType type);

// Compiles the pass's vertex and pixel shader blocks with the effect's parameters declared as
// uniforms and the vertex inputs at the device's attribute locations, and links them. On failure
// 0, with the compiler's log in *log, its line numbers those of the .fx file. The device's GL
// context must be current.
GLuint BuildProgram(const std::string& fileName, const EffectDesc& desc, const Pass& pass, std::string* log);

// Rewrites "0:LINE(COL): ..." lines of a GLSL log as "FILE(LINE): ..." (every line is prefixed
// with the file, so each message says where it came from).
std::string MapGlslLog(const std::string& fileName, const std::string& log);

}  // namespace d3dx9fx
