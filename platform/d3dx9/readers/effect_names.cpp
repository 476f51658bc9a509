// effect_names.cpp -- GLSL 3.30 keywords and the layer's own shader names, refused as parameter
// names where they are declared rather than inside the prelude the compiler would report
#include "platform/d3dx9/readers/effect_names.h"

#include <unordered_set>

namespace d3dx9fx {

namespace {

const char* const kGlslWords[] = {
    // keywords
    "attribute", "const", "uniform", "varying", "layout", "centroid", "flat", "smooth", "noperspective", "break",
    "continue", "do", "for", "while", "switch", "case", "default", "if", "else", "in", "out", "inout", "float", "int",
    "void", "bool", "true", "false", "invariant", "discard", "return", "mat2", "mat3", "mat4", "mat2x2", "mat2x3",
    "mat2x4", "mat3x2", "mat3x3", "mat3x4", "mat4x2", "mat4x3", "mat4x4", "vec2", "vec3", "vec4", "ivec2", "ivec3",
    "ivec4", "bvec2", "bvec3", "bvec4", "uint", "uvec2", "uvec3", "uvec4", "lowp", "mediump", "highp", "precision",
    "sampler1D", "sampler2D", "sampler3D", "samplerCube", "sampler1DShadow", "sampler2DShadow", "samplerCubeShadow",
    "sampler1DArray", "sampler2DArray", "sampler1DArrayShadow", "sampler2DArrayShadow", "isampler1D", "isampler2D",
    "isampler3D", "isamplerCube", "isampler1DArray", "isampler2DArray", "usampler1D", "usampler2D", "usampler3D",
    "usamplerCube", "usampler1DArray", "usampler2DArray", "sampler2DRect", "sampler2DRectShadow", "isampler2DRect",
    "usampler2DRect", "samplerBuffer", "isamplerBuffer", "usamplerBuffer", "sampler2DMS", "isampler2DMS",
    "usampler2DMS", "sampler2DMSArray", "isampler2DMSArray", "usampler2DMSArray", "struct",
    // reserved for future use
    "common", "partition", "active", "asm", "class", "union", "enum", "typedef", "template", "this", "packed",
    "goto", "inline", "noinline", "volatile", "public", "static", "extern", "external", "interface", "long", "short",
    "double", "half", "fixed", "unsigned", "superp", "input", "output", "hvec2", "hvec3", "hvec4", "dvec2", "dvec3",
    "dvec4", "fvec2", "fvec3", "fvec4", "sampler3DRect", "filter", "image1D", "image2D", "image3D", "imageCube",
    "iimage1D", "iimage2D", "iimage3D", "iimageCube", "uimage1D", "uimage2D", "uimage3D", "uimageCube",
    "image1DArray", "image2DArray", "iimage1DArray", "iimage2DArray", "uimage1DArray", "uimage2DArray",
    "image1DShadow", "image2DShadow", "image1DArrayShadow", "image2DArrayShadow", "imageBuffer", "iimageBuffer",
    "uimageBuffer", "sizeof", "cast", "namespace", "using", "row_major",
    // every shader's entry point
    "main",
};

// Declared by the layer at the top of every vertex or pixel shader.
const char* const kLayerNames[] = {"inPosition", "inNormal", "inTexCoord", "outColor"};

}  // namespace

const char* ReservedNameReason(const std::string& name) {
  static const std::unordered_set<std::string> glsl(std::begin(kGlslWords), std::end(kGlslWords));
  static const std::unordered_set<std::string> layer(std::begin(kLayerNames), std::end(kLayerNames));
  if (glsl.count(name)) return "is a GLSL keyword";
  if (layer.count(name)) return "is declared by the effect layer in every shader";
  if (name.compare(0, 3, "gl_") == 0) return "begins with gl_, which GLSL reserves";
  if (name.find("__") != std::string::npos) return "holds two underscores in a row, which GLSL reserves";
  return nullptr;
}

}  // namespace d3dx9fx
