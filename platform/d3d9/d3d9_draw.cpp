// d3d9_draw.cpp -- the fixed-function programs, flexible vertex formats, streams, index buffers and draws
#include <algorithm>
#include <cstdio>
#include <string>

#include "platform/d3d9/d3d9_device.h"
#include "platform/d3d9/d3d9_gl.h"

namespace d3d9gl {

// Direct3D compares the alpha at 8 bits with D3DRS_ALPHAREF (0..255). d3dAlphaFunc holds the
// D3DCMP_ value itself; D3DCMP_ALWAYS, like any value outside the cases, passes.
static_assert(D3DCMP_NEVER == 1 && D3DCMP_LESS == 2 && D3DCMP_EQUAL == 3 && D3DCMP_LESSEQUAL == 4,
              "the alpha test's GLSL cases are the D3DCMP_ values");
static_assert(D3DCMP_GREATER == 5 && D3DCMP_NOTEQUAL == 6 && D3DCMP_GREATEREQUAL == 7 && D3DCMP_ALWAYS == 8,
              "the alpha test's GLSL cases are the D3DCMP_ values");
const char kAlphaTestGlsl[] = R"(uniform int d3dAlphaFunc;
uniform float d3dAlphaRef;
bool d3dAlphaPasses(float alpha) {
  float a = floor(clamp(alpha, 0.0, 1.0) * 255.0 + 0.5);
  switch (d3dAlphaFunc) {
    case 1: return false;                // D3DCMP_NEVER
    case 2: return a < d3dAlphaRef;      // D3DCMP_LESS
    case 3: return a == d3dAlphaRef;     // D3DCMP_EQUAL
    case 4: return a <= d3dAlphaRef;     // D3DCMP_LESSEQUAL
    case 5: return a > d3dAlphaRef;      // D3DCMP_GREATER
    case 6: return a != d3dAlphaRef;     // D3DCMP_NOTEQUAL
    case 7: return a >= d3dAlphaRef;     // D3DCMP_GREATEREQUAL
    default: return true;                // D3DCMP_ALWAYS
  }
}
)";

}  // namespace d3d9gl

namespace d3d9impl {

namespace {

// Screen-space (XYZRHW) positions are in pixels of the viewport; with the upper-left clip
// origin, NDC y = +1 is row 0, the top.
const char* const kVertexShader = R"(#version 330 core
layout(location = 0) in vec4 aPosition;
layout(location = 2) in vec4 aDiffuse;
layout(location = 3) in vec2 aTexCoord0;
uniform mat4 uWorldViewProj;
uniform vec4 uViewport;
out vec4 vDiffuse;
out vec2 vTexCoord0;
void main() {
#ifdef PRETRANSFORMED
  float w = aPosition.w != 0.0 ? 1.0 / aPosition.w : 1.0;
  vec2 ndc = vec2((aPosition.x - uViewport.x) / uViewport.z * 2.0 - 1.0,
                  1.0 - (aPosition.y - uViewport.y) / uViewport.w * 2.0);
  gl_Position = vec4(ndc * w, aPosition.z * w, w);
#else
  gl_Position = uWorldViewProj * vec4(aPosition.xyz, 1.0);
#endif
  vDiffuse = aDiffuse;
  vTexCoord0 = aTexCoord0;
}
)";

// Texture stage 0 with the ops and arguments d3d9_validate.cpp accepts (the others are off).
// An op packs as op | arg1 << 8 | arg2 << 16. A stage that reads a texture where none is set
// passes the diffuse colour on. Lighting with no lights leaves the emissive and ambient terms:
// uLitColor holds them, with the material's diffuse alpha.
static_assert(D3DTA_DIFFUSE == 0 && D3DTA_CURRENT == 1 && D3DTA_TEXTURE == 2 && D3DTA_TFACTOR == 3,
              "stageArg's GLSL compares with the D3DTA_ values");
static_assert(D3DTOP_DISABLE == 1 && D3DTOP_SELECTARG1 == 2 && D3DTOP_SELECTARG2 == 3 && D3DTOP_MODULATE == 4,
              "stage's GLSL compares with the D3DTOP_ values");
static_assert(D3DTOP_MODULATE2X == 5 && D3DTOP_MODULATE4X == 6 && D3DTOP_ADD == 7,
              "stage's GLSL compares with the D3DTOP_ values");
const char* const kFragmentShader = R"(#version 330 core
in vec4 vDiffuse;
in vec2 vTexCoord0;
uniform sampler2D uTexture0;
uniform int uUseTexture;
uniform int uLighting;
uniform vec4 uLitColor;
uniform int uVertexAlpha;
uniform int uColorOp;
uniform int uAlphaOp;
uniform vec4 uTextureFactor;
out vec4 fragColor;
vec4 stageArg(int arg, vec4 diffuse, vec4 tex) {
  if (arg == 2) return tex;             // D3DTA_TEXTURE
  if (arg == 3) return uTextureFactor;  // D3DTA_TFACTOR
  return diffuse;                       // D3DTA_DIFFUSE, and D3DTA_CURRENT on stage 0
}
vec4 stage(int ops, vec4 diffuse, vec4 tex) {
  int op = ops & 255, arg1 = (ops >> 8) & 255, arg2 = (ops >> 16) & 255;
  if (op == 1) return diffuse;  // D3DTOP_DISABLE
  // Whether a used argument is D3DTA_TEXTURE: SELECTARG2 leaves arg1 unread, SELECTARG1 arg2.
  bool readsTexture = (op != 3 && arg1 == 2) || (op != 2 && arg2 == 2);
  if (readsTexture && uUseTexture == 0) return diffuse;
  vec4 a = stageArg(arg1, diffuse, tex), b = stageArg(arg2, diffuse, tex);
  if (op == 2) return a;                      // D3DTOP_SELECTARG1
  if (op == 3) return b;                      // D3DTOP_SELECTARG2
  if (op == 4) return a * b;                  // D3DTOP_MODULATE
  if (op == 5) return min(a * b * 2.0, 1.0);  // D3DTOP_MODULATE2X
  if (op == 6) return min(a * b * 4.0, 1.0);  // D3DTOP_MODULATE4X
  return min(a + b, 1.0);                     // D3DTOP_ADD
}
void main() {
  vec4 diffuse = vDiffuse;
  if (uLighting != 0) diffuse = vec4(uLitColor.rgb, uVertexAlpha != 0 ? vDiffuse.a : uLitColor.a);
  vec4 tex = uUseTexture != 0 ? texture(uTexture0, vTexCoord0) : vec4(1.0);
  vec4 c = vec4(stage(uColorOp, diffuse, tex).rgb, stage(uAlphaOp, diffuse, tex).a);
  if (!d3dAlphaPasses(c.a)) discard;
  fragColor = c;
}
)";


GLuint CompileShader(GLenum type, const char* prefix, const char* source, const char** reason) {
  GLuint shader = glCreateShader(type);
  // The #version line must come first, so the prefix goes after it.
  const char* firstNewline = source;
  while (*firstNewline && *firstNewline != '\n') ++firstNewline;
  std::string text(source, firstNewline + 1);
  text += prefix;
  text += firstNewline + 1;
  const char* p = text.c_str();
  glShaderSource(shader, 1, &p, nullptr);
  glCompileShader(shader);
  GLint ok = 0;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (!ok) {
    char log[1024] = {};
    glGetShaderInfoLog(shader, sizeof log, nullptr, log);
    std::fprintf(stderr, "fixed-function shader: %s\n", log);
    *reason = "the fixed-function shaders did not compile";
    glDeleteShader(shader);
    return 0;
  }
  return shader;
}

}  // namespace

bool Device::compileFixedPrograms(const char** reason) {
  for (int i = 0; i < 2; ++i) {
    const char* prefix = i ? "#define PRETRANSFORMED 1\n" : "";
    GLuint vs = CompileShader(GL_VERTEX_SHADER, prefix, kVertexShader, reason);
    GLuint fs = CompileShader(GL_FRAGMENT_SHADER, d3d9gl::kAlphaTestGlsl, kFragmentShader, reason);
    if (!vs || !fs) return false;
    GLuint program = glCreateProgram();
    glAttachShader(program, vs);
    glAttachShader(program, fs);
    glLinkProgram(program);
    glDeleteShader(vs);
    glDeleteShader(fs);
    GLint ok = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok) {
      *reason = "the fixed-function program did not link";
      glDeleteProgram(program);
      return false;
    }
    FixedProgram& p = fixed_[i];
    p.program = program;
    p.worldViewProj = glGetUniformLocation(program, "uWorldViewProj");
    p.viewport.location = glGetUniformLocation(program, "uViewport");
    p.useTexture.location = glGetUniformLocation(program, "uUseTexture");
    p.lighting.location = glGetUniformLocation(program, "uLighting");
    p.colorOp.location = glGetUniformLocation(program, "uColorOp");
    p.alphaOp.location = glGetUniformLocation(program, "uAlphaOp");
    p.litColor.location = glGetUniformLocation(program, "uLitColor");
    p.vertexAlpha.location = glGetUniformLocation(program, "uVertexAlpha");
    p.textureFactor.location = glGetUniformLocation(program, "uTextureFactor");
    p.alphaTest.func = glGetUniformLocation(program, "d3dAlphaFunc");
    p.alphaTest.ref = glGetUniformLocation(program, "d3dAlphaRef");
    glUseProgram(program);
    glUniform1i(glGetUniformLocation(program, "uTexture0"), 0);
  }
  glUseProgram(0);
  activeProgram_ = 0;
  return true;
}

bool ParseFvf(DWORD fvf, FvfLayout* out) {
  FvfLayout l;
  UINT offset = 0;
  switch (fvf & D3DFVF_POSITION_MASK) {
    case 0: break;  // no position: applyVertexLayout refuses to draw with it
    case D3DFVF_XYZ: l.position = 0; l.positionSize = 3; offset = 12; break;
    case D3DFVF_XYZRHW: l.position = 0; l.positionSize = 4; l.pretransformed = true; offset = 16; break;
    case D3DFVF_XYZW: l.position = 0; l.positionSize = 4; offset = 16; break;
    case D3DFVF_XYZB1: case D3DFVF_XYZB2: case D3DFVF_XYZB3: case D3DFVF_XYZB4: case D3DFVF_XYZB5:
      l.position = 0;
      l.positionSize = 3;
      offset = 12 + 4 * (((fvf & D3DFVF_POSITION_MASK) - D3DFVF_XYZ) / 2);
      break;
    default: return false;
  }
  if (fvf & D3DFVF_NORMAL) { l.normal = static_cast<int>(offset); offset += 12; }
  if (fvf & D3DFVF_PSIZE) offset += 4;
  if (fvf & D3DFVF_DIFFUSE) { l.diffuse = static_cast<int>(offset); offset += 4; }
  if (fvf & D3DFVF_SPECULAR) { l.specular = static_cast<int>(offset); offset += 4; }
  UINT texCount = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
  if (texCount > 8) return false;
  for (UINT i = 0; i < texCount; ++i) {
    static const int kSizes[4] = {2, 3, 4, 1};  // D3DFVF_TEXTUREFORMAT2, 3, 4, 1
    int size = kSizes[(fvf >> (16 + 2 * i)) & 3];
    if (i == 0) { l.texCoord0 = static_cast<int>(offset); l.texCoord0Size = size; }
    offset += static_cast<UINT>(size) * 4;
  }
  l.size = offset;
  *out = l;
  return true;
}

UINT VertexCountOf(D3DPRIMITIVETYPE type, UINT count) {
  switch (type) {
    case D3DPT_POINTLIST: return count;
    case D3DPT_LINELIST: return count * 2;
    case D3DPT_LINESTRIP: return count + 1;
    case D3DPT_TRIANGLELIST: return count * 3;
    case D3DPT_TRIANGLESTRIP:
    case D3DPT_TRIANGLEFAN: return count + 2;
    default: return 0;
  }
}

bool GlPrimitive(D3DPRIMITIVETYPE type, GLenum* mode) {
  switch (type) {
    case D3DPT_POINTLIST: *mode = GL_POINTS; return true;
    case D3DPT_LINELIST: *mode = GL_LINES; return true;
    case D3DPT_LINESTRIP: *mode = GL_LINE_STRIP; return true;
    case D3DPT_TRIANGLELIST: *mode = GL_TRIANGLES; return true;
    case D3DPT_TRIANGLESTRIP: *mode = GL_TRIANGLE_STRIP; return true;
    case D3DPT_TRIANGLEFAN: *mode = GL_TRIANGLE_FAN; return true;
    default: return false;
  }
}

HRESULT Device::SetFVF(DWORD fvf) {
  FvfLayout layout;
  if (fvf != 0 && !ParseFvf(fvf, &layout)) return D3DERR_INVALIDCALL;
  if (state_.fvf != fvf) {
    state_.fvf = fvf;
    layout_ = layout;
    dirty_ |= kDirtyVertexLayout | kDirtyProgram | kDirtyTransforms;
  }
  return D3D_OK;
}

HRESULT Device::GetFVF(DWORD* fvf) {
  if (!fvf) return D3DERR_INVALIDCALL;
  *fvf = state_.fvf;
  return D3D_OK;
}

HRESULT Device::SetStreamSource(UINT stream, IDirect3DVertexBuffer9* data, UINT offset, UINT stride) {
  if (stream != 0) return D3DERR_INVALIDCALL;  // one stream: the flexible vertex formats need no more
  VertexBuffer* vb = static_cast<VertexBuffer*>(data);
  if (vb && vb->device() != this) return D3DERR_INVALIDCALL;
  StreamSource& s = state_.stream0;
  if (s.buffer == vb && s.offset == offset && s.stride == stride) return D3D_OK;
  if (vb) vb->bind();
  VertexBuffer* old = s.buffer;
  s.buffer = vb;
  s.offset = offset;
  s.stride = stride;
  dirty_ |= kDirtyVertexLayout;
  if (old) {
    makeCurrent();
    old->unbind();
  }
  return D3D_OK;
}

HRESULT Device::GetStreamSource(UINT stream, IDirect3DVertexBuffer9** data, UINT* offset, UINT* stride) {
  if (stream != 0 || !data || !offset || !stride) return D3DERR_INVALIDCALL;
  const StreamSource& s = state_.stream0;
  if (s.buffer) s.buffer->AddRef();
  *data = s.buffer;
  *offset = s.offset;
  *stride = s.stride;
  return D3D_OK;
}

HRESULT Device::SetIndices(IDirect3DIndexBuffer9* data) {
  IndexBuffer* ib = static_cast<IndexBuffer*>(data);
  if (ib && ib->device() != this) return D3DERR_INVALIDCALL;
  if (ib == state_.indices) return D3D_OK;
  if (ib) ib->bind();
  IndexBuffer* old = state_.indices;
  state_.indices = ib;
  dirty_ |= kDirtyVertexLayout;
  if (old) {
    makeCurrent();
    old->unbind();
  }
  return D3D_OK;
}

HRESULT Device::GetIndices(IDirect3DIndexBuffer9** data) {
  if (!data) return D3DERR_INVALIDCALL;
  if (state_.indices) state_.indices->AddRef();
  *data = state_.indices;
  return D3D_OK;
}

// Points the fixed attribute locations into stream 0 for the current FVF. The base vertex of
// an indexed draw goes to glDrawElementsBaseVertex, so the pointers change only with the stream.
bool Device::applyVertexLayout() {
  const FvfLayout& l = layout_;
  const StreamSource& s = state_.stream0;
  if (!s.buffer || state_.fvf == 0 || l.position < 0 || s.stride == 0) return false;
  glBindBuffer(GL_ARRAY_BUFFER, s.buffer->glBuffer());
  uintptr_t base = s.offset;
  GLsizei stride = static_cast<GLsizei>(s.stride);
  auto attrib = [&](GLuint loc, int offset, GLint size, GLenum type, GLboolean normalized) {
    if (offset < 0) {
      glDisableVertexAttribArray(loc);
      return;
    }
    glEnableVertexAttribArray(loc);
    glVertexAttribPointer(loc, size, type, normalized, stride, reinterpret_cast<const void*>(base + offset));
  };
  attrib(d3d9gl::kAttribPosition, l.position, l.positionSize, GL_FLOAT, GL_FALSE);
  attrib(d3d9gl::kAttribNormal, l.normal, 3, GL_FLOAT, GL_FALSE);
  // A D3DCOLOR's bytes are B, G, R, A in memory.
  attrib(d3d9gl::kAttribDiffuse, l.diffuse, GL_BGRA, GL_UNSIGNED_BYTE, GL_TRUE);
  attrib(d3d9gl::kAttribTexCoord0, l.texCoord0, l.texCoord0Size, GL_FLOAT, GL_FALSE);
  // Direct3D's values for absent elements: white diffuse, zero normal and coordinates.
  if (l.diffuse < 0) glVertexAttrib4f(d3d9gl::kAttribDiffuse, 1.f, 1.f, 1.f, 1.f);
  if (l.normal < 0) glVertexAttrib4f(d3d9gl::kAttribNormal, 0.f, 0.f, 0.f, 1.f);
  if (l.texCoord0 < 0) glVertexAttrib4f(d3d9gl::kAttribTexCoord0, 0.f, 0.f, 0.f, 1.f);
  if (l.pretransformed != pretransformed_) {
    pretransformed_ = l.pretransformed;
    dirty_ |= kDirtyProgram | kDirtyTransforms;
  }
  return true;
}

void Device::applyAlphaTest(d3d9gl::AlphaTestUniforms* u) {
  const DWORD* rs = state_.renderStates;
  int func = rs[D3DRS_ALPHATESTENABLE] ? static_cast<int>(rs[D3DRS_ALPHAFUNC]) : D3DCMP_ALWAYS;
  int ref = static_cast<int>(rs[D3DRS_ALPHAREF] & 0xff);
  if (u->func >= 0 && u->uploadedFunc != func) glUniform1i(u->func, func);
  if (u->ref >= 0 && u->uploadedRef != ref) glUniform1f(u->ref, static_cast<float>(ref));
  u->uploadedFunc = func;
  u->uploadedRef = ref;
}

void Device::applyFixedUniforms(FixedProgram& p) {
  const DWORD* rs = state_.renderStates;
  const DWORD* ts = state_.stageStates[0];
  const FvfLayout& l = layout_;
  bool lit = rs[D3DRS_LIGHTING] && !pretransformed_;
  p.useTexture.set(state_.textures[0] != nullptr && l.texCoord0 >= 0 ? 1 : 0);
  p.lighting.set(lit ? 1 : 0);
  p.colorOp.set(static_cast<int>(ts[D3DTSS_COLOROP] | ts[D3DTSS_COLORARG1] << 8 | ts[D3DTSS_COLORARG2] << 16));
  p.alphaOp.set(static_cast<int>(ts[D3DTSS_ALPHAOP] | ts[D3DTSS_ALPHAARG1] << 8 | ts[D3DTSS_ALPHAARG2] << 16));
  DWORD f = rs[D3DRS_TEXTUREFACTOR];
  p.textureFactor.set(((f >> 16) & 0xff) / 255.f, ((f >> 8) & 0xff) / 255.f, (f & 0xff) / 255.f, (f >> 24) / 255.f);
  if (lit) {
    const D3DMATERIAL9& m = state_.material;
    DWORD a = rs[D3DRS_AMBIENT];
    float ar = ((a >> 16) & 0xff) / 255.f, ag = ((a >> 8) & 0xff) / 255.f, ab = (a & 0xff) / 255.f;
    p.litColor.set(std::min(1.f, m.Emissive.r + ar * m.Ambient.r), std::min(1.f, m.Emissive.g + ag * m.Ambient.g),
                   std::min(1.f, m.Emissive.b + ab * m.Ambient.b), m.Diffuse.a);
    // D3DMCS_COLOR1 (the only diffuse source accepted): the vertex colour when there is one.
    p.vertexAlpha.set(rs[D3DRS_COLORVERTEX] && l.diffuse >= 0 ? 1 : 0);
  }
  applyAlphaTest(&p.alphaTest);
}

void Device::applyProgram() {
  GLuint wanted = userProgram_ ? userProgram_ : fixed_[pretransformed_ ? 1 : 0].program;
  if (activeProgram_ != wanted) {
    glUseProgram(wanted);
    activeProgram_ = wanted;
  }
  if (userProgram_) {
    if (userAlphaTest_) applyAlphaTest(userAlphaTest_);
  } else {
    applyFixedUniforms(fixed_[pretransformed_ ? 1 : 0]);
  }
}

bool Device::applyForDraw() {
  if (!applyFramebuffer()) return false;
  if (dirty_ & kDirtyVertexLayout) {
    if (!applyVertexLayout()) return false;
    dirty_ = (dirty_ & ~kDirtyVertexLayout) | kDirtyProgram;  // texture use depends on the layout
  }
  GLuint ib = state_.indices ? state_.indices->glBuffer() : 0;
  if (ib != boundIndexBuffer_) {
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, ib);
    boundIndexBuffer_ = ib;
  }
  if (dirty_ & kDirtyViewport) applyViewport();
  if (dirty_ & kDirtyScissor) applyScissor();
  if (dirty_ & kDirtyDepth) applyDepth();
  if (dirty_ & kDirtyBlend) applyBlend();
  if (dirty_ & kDirtyRaster) applyRaster();
  if (dirty_ & kDirtyColorMask) applyColorMask();
  if (dirty_ & kDirtyTextures) applyTextures();
  else if (dirty_ & kDirtySamplers) applySamplers();
  // A user program may change every draw (effects), so the fixed uniforms are checked again
  // when the fixed program comes back; each uniform is sent only when its value changed.
  if (dirty_ & (kDirtyProgram | kDirtyTextures)) applyProgram();
  if (dirty_ & (kDirtyTransforms | kDirtyProgram)) applyTransforms();
  dirty_ = 0;
  return true;
}

// The last byte a draw fetches from stream 0 for vertices [first, end) must lie in its buffer.
static bool VerticesFit(const StreamSource& s, const FvfLayout& l, uint64_t first, uint64_t end) {
  if (!s.buffer || s.stride == 0 || l.size == 0 || end <= first) return false;
  D3DVERTEXBUFFER_DESC d;
  s.buffer->GetDesc(&d);
  uint64_t last = s.offset + (end - 1) * s.stride + l.size;
  return last <= d.Size;
}

HRESULT Device::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT count) {
  GLenum mode;
  if (!inScene_ || !GlPrimitive(type, &mode)) return D3DERR_INVALIDCALL;
  if (count == 0) return D3D_OK;
  UINT vertices = VertexCountOf(type, count);
  if (!VerticesFit(state_.stream0, layout_, startVertex, static_cast<uint64_t>(startVertex) + vertices)) {
    return D3DERR_INVALIDCALL;  // reads past the buffer
  }
  makeCurrent();
  if (!applyForDraw()) return D3DERR_INVALIDCALL;
  glDrawArrays(mode, static_cast<GLint>(startVertex), static_cast<GLsizei>(vertices));
  return D3D_OK;
}

// Direct3D's contract for an indexed draw: every index, plus the base vertex, lies in
// [baseVertex + minIndex, baseVertex + minIndex + numVertices), and that range lies in the
// vertex buffer. GL would fetch past the buffer otherwise, so the draw is refused.
HRESULT Device::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertex, UINT minIndex, UINT numVertices,
                                     UINT startIndex, UINT count) {
  GLenum mode;
  if (!inScene_ || !GlPrimitive(type, &mode) || !state_.indices) return D3DERR_INVALIDCALL;
  if (count == 0) return D3D_OK;
  int64_t first = static_cast<int64_t>(baseVertex) + minIndex;
  if (first < 0 || numVertices == 0) return D3DERR_INVALIDCALL;
  if (!VerticesFit(state_.stream0, layout_, static_cast<uint64_t>(first), static_cast<uint64_t>(first) + numVertices)) {
    return D3DERR_INVALIDCALL;
  }
  UINT indices = VertexCountOf(type, count);
  IndexBuffer* ib = state_.indices;
  if (!ib->indicesWithin(startIndex, indices, minIndex, static_cast<uint64_t>(minIndex) + numVertices)) {
    return D3DERR_INVALIDCALL;
  }
  makeCurrent();
  if (!applyForDraw()) return D3DERR_INVALIDCALL;
  UINT indexSize = ib->format() == D3DFMT_INDEX32 ? 4 : 2;
  glDrawElementsBaseVertex(mode, static_cast<GLsizei>(indices), indexSize == 4 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
                           reinterpret_cast<const void*>(static_cast<uintptr_t>(startIndex) * indexSize), baseVertex);
  return D3D_OK;
}

}  // namespace d3d9impl
