// d3d9_draw.cpp -- the fixed-function programs, flexible vertex formats, streams, index buffers and draws
#include <cstdio>
#include <string>

#include "platform/d3d9/d3d9_device.h"
#include "platform/d3d9/d3d9_gl.h"

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

// Stage 0 as Direct3D sets it by default: colour = texture x diffuse, alpha = texture alpha.
// Lighting with no lights leaves only the (black) emissive and ambient terms.
const char* const kFragmentShader = R"(#version 330 core
in vec4 vDiffuse;
in vec2 vTexCoord0;
uniform sampler2D uTexture0;
uniform int uUseTexture;
uniform int uLighting;
out vec4 fragColor;
void main() {
  vec4 c = vDiffuse;
  if (uLighting != 0) c.rgb = vec3(0.0);
  if (uUseTexture != 0) {
    vec4 t = texture(uTexture0, vTexCoord0);
    c = vec4(c.rgb * t.rgb, t.a);
  }
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
    GLuint fs = CompileShader(GL_FRAGMENT_SHADER, "", kFragmentShader, reason);
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
    p.viewport = glGetUniformLocation(program, "uViewport");
    p.useTexture = glGetUniformLocation(program, "uUseTexture");
    p.lighting = glGetUniformLocation(program, "uLighting");
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
    case 0: break;
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

// Points the fixed attribute locations into stream 0 for the current FVF. baseVertex moves
// every pointer so that vertex `baseVertex` of the stream is vertex 0 of the draw.
bool Device::applyVertexLayout(UINT baseVertex) {
  FvfLayout l;
  const StreamSource& s = state_.stream0;
  if (!s.buffer || !ParseFvf(state_.fvf, &l) || l.position < 0 || s.stride == 0) return false;
  glBindVertexArray(vao_);
  glBindBuffer(GL_ARRAY_BUFFER, s.buffer->glBuffer());
  uintptr_t base = s.offset + static_cast<uintptr_t>(baseVertex) * s.stride;
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
  GLuint ib = state_.indices ? state_.indices->glBuffer() : 0;
  glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, ib);
  boundIndexBuffer_ = ib;
  layoutBase_ = baseVertex;
  if (l.pretransformed != pretransformed_) {
    pretransformed_ = l.pretransformed;
    dirty_ |= kDirtyProgram | kDirtyTransforms;
  }
  return true;
}

void Device::applyProgram() {
  GLuint wanted = userProgram_;
  if (!wanted) {
    FixedProgram& p = fixed_[pretransformed_ ? 1 : 0];
    wanted = p.program;
  }
  if (activeProgram_ != wanted) {
    glUseProgram(wanted);
    activeProgram_ = wanted;
  }
  if (!userProgram_) {
    FixedProgram& p = fixed_[pretransformed_ ? 1 : 0];
    FvfLayout l;
    ParseFvf(state_.fvf, &l);
    glUniform1i(p.useTexture, state_.textures[0] != nullptr && l.texCoord0 >= 0 ? 1 : 0);
    glUniform1i(p.lighting, state_.renderStates[D3DRS_LIGHTING] && !pretransformed_ ? 1 : 0);
  }
}

bool Device::applyForDraw(UINT baseVertex) {
  if (!applyFramebuffer()) return false;
  if ((dirty_ & kDirtyVertexLayout) || baseVertex != layoutBase_) {
    if (!applyVertexLayout(baseVertex)) return false;
    dirty_ &= ~kDirtyVertexLayout;
  }
  if (dirty_ & kDirtyViewport) applyViewport();
  if (dirty_ & kDirtyScissor) applyScissor();
  if (dirty_ & kDirtyDepth) applyDepth();
  if (dirty_ & kDirtyBlend) applyBlend();
  if (dirty_ & kDirtyRaster) applyRaster();
  if (dirty_ & kDirtyColorMask) applyColorMask();
  if (dirty_ & kDirtyTextures) applyTextures();
  else if (dirty_ & kDirtySamplers) applySamplers();
  // A user program may change every draw (effects), so the fixed uniforms are set again when
  // the fixed program comes back.
  if (dirty_ & (kDirtyProgram | kDirtyTextures)) applyProgram();
  if (dirty_ & (kDirtyTransforms | kDirtyProgram)) applyTransforms();
  dirty_ &= kDirtyVertexLayout;
  return true;
}

HRESULT Device::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT count) {
  GLenum mode;
  if (!inScene_ || !GlPrimitive(type, &mode)) return D3DERR_INVALIDCALL;
  if (count == 0) return D3D_OK;
  const StreamSource& s = state_.stream0;
  UINT vertices = VertexCountOf(type, count);
  if (!s.buffer || s.stride == 0) return D3DERR_INVALIDCALL;
  D3DVERTEXBUFFER_DESC d;
  s.buffer->GetDesc(&d);
  uint64_t end = s.offset + (static_cast<uint64_t>(startVertex) + vertices) * s.stride;
  if (end > d.Size) return D3DERR_INVALIDCALL;  // reads past the buffer
  makeCurrent();
  if (!applyForDraw(0)) return D3DERR_INVALIDCALL;
  glDrawArrays(mode, static_cast<GLint>(startVertex), static_cast<GLsizei>(vertices));
  return D3D_OK;
}

HRESULT Device::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertex, UINT minIndex, UINT numVertices,
                                     UINT startIndex, UINT count) {
  GLenum mode;
  if (!inScene_ || !GlPrimitive(type, &mode) || !state_.indices || baseVertex < 0) return D3DERR_INVALIDCALL;
  if (count == 0) return D3D_OK;
  (void)minIndex;
  (void)numVertices;
  UINT indices = VertexCountOf(type, count);
  D3DINDEXBUFFER_DESC d;
  state_.indices->GetDesc(&d);
  UINT indexSize = d.Format == D3DFMT_INDEX32 ? 4 : 2;
  if ((static_cast<uint64_t>(startIndex) + indices) * indexSize > d.Size) return D3DERR_INVALIDCALL;
  makeCurrent();
  if (!applyForDraw(static_cast<UINT>(baseVertex))) return D3DERR_INVALIDCALL;
  glDrawElements(mode, static_cast<GLsizei>(indices), indexSize == 4 ? GL_UNSIGNED_INT : GL_UNSIGNED_SHORT,
                 reinterpret_cast<const void*>(static_cast<uintptr_t>(startIndex) * indexSize));
  return D3D_OK;
}

}  // namespace d3d9impl
