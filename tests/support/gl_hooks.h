// gl_hooks.h -- counts the OpenGL calls the layer makes, and the operator new calls of the process
//
// libepoxy reaches every GL function through a global pointer (epoxy_glEnable, ...). Install()
// points each pointer the layer uses at a counting thunk that calls the driver's own function
// (asked of SDL, never epoxy's lazy resolver, which would call the hook again); Remove() puts
// the pointers back. Calls are counted by kind: objects created, state asked of GL, state set,
// and work (draws, clears, blits, uploads, readbacks).
#pragma once

#include <SDL.h>
#include <epoxy/gl.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace glhooks {

enum Kind { kCreate, kQuery, kState, kWork, kKinds };

struct Counts {
  uint64_t calls[kKinds] = {};
  std::vector<std::string> stateCalls;  // names of state calls, when recording
  bool record = false;
  GLenum lastBufferUsage = 0;  // of the last glBufferData
  bool lastBufferDataNull = false;
};
inline Counts& Get() {
  static Counts counts;
  return counts;
}

// Operator new calls of the process so far, outside the GL driver (the test program replaces
// the global operator new). The driver's own allocations (llvmpipe compiling a shader variant
// for a state it meets the first time) are its business, not the layer's.
uint64_t Allocations();

// Depth of hooked GL calls on this thread: operator new does not count while it is above 0.
inline int& InDriver() {
  static thread_local int depth = 0;
  return depth;
}

template <auto& Fn>
struct Slot {
  static inline std::remove_reference_t<decltype(Fn)> real = nullptr;
  static inline std::remove_reference_t<decltype(Fn)> saved = nullptr;
  static inline const char* name = nullptr;
};

template <auto& Fn, Kind K, typename R, typename... A>
R Thunk(A... a) {
  Counts& c = Get();
  ++c.calls[K];
  if (K == kState && c.record) c.stateCalls.emplace_back(Slot<Fn>::name);
  struct Inside {
    Inside() { ++InDriver(); }
    ~Inside() { --InDriver(); }
  } inside;
  return Slot<Fn>::real(a...);
}

struct Installed {
  std::vector<void (*)()> removers;
};
inline Installed& Hooks() {
  static Installed installed;
  return installed;
}

template <auto& Fn, Kind K, typename R, typename... A>
void Install(const char* name, R (*)(A...)) {
  using Pointer = R (*)(A...);
  Slot<Fn>::name = name;
  Slot<Fn>::saved = Fn;
  Slot<Fn>::real = reinterpret_cast<Pointer>(SDL_GL_GetProcAddress(name));
  if (!Slot<Fn>::real) return;
  Fn = &Thunk<Fn, K, R, A...>;
  Hooks().removers.push_back([] { Fn = Slot<Fn>::saved; });
}

// glBufferData also records its usage hint and whether it gave data.
inline PFNGLBUFFERDATAPROC& RealBufferData() {
  static PFNGLBUFFERDATAPROC real = nullptr;
  return real;
}
inline void GLAPIENTRY BufferDataHook(GLenum target, GLsizeiptr size, const void* data, GLenum usage) {
  Counts& c = Get();
  ++c.calls[kWork];
  c.lastBufferUsage = usage;
  c.lastBufferDataNull = data == nullptr;
  ++InDriver();
  RealBufferData()(target, size, data, usage);
  --InDriver();
}
inline void InstallBufferData() {
  static PFNGLBUFFERDATAPROC saved = nullptr;
  saved = epoxy_glBufferData;
  RealBufferData() = reinterpret_cast<PFNGLBUFFERDATAPROC>(SDL_GL_GetProcAddress("glBufferData"));
  if (!RealBufferData()) return;
  epoxy_glBufferData = &BufferDataHook;
  Hooks().removers.push_back([] { epoxy_glBufferData = saved; });
}

#define GLHOOK(fn, kind) ::glhooks::Install<epoxy_##fn, ::glhooks::kind>(#fn, epoxy_##fn)

// Hooks every GL function the Direct3D and D3DX layers call. The device's context must be current.
inline void InstallAll() {
  GLHOOK(glGenBuffers, kCreate); GLHOOK(glGenFramebuffers, kCreate); GLHOOK(glGenRenderbuffers, kCreate);
  GLHOOK(glGenSamplers, kCreate); GLHOOK(glGenTextures, kCreate); GLHOOK(glGenVertexArrays, kCreate);
  GLHOOK(glCreateProgram, kCreate); GLHOOK(glCreateShader, kCreate); GLHOOK(glCompileShader, kCreate);
  GLHOOK(glLinkProgram, kCreate); GLHOOK(glRenderbufferStorage, kCreate);
  GLHOOK(glRenderbufferStorageMultisample, kCreate); GLHOOK(glTexImage2D, kCreate);
  GLHOOK(glDeleteBuffers, kCreate); GLHOOK(glDeleteFramebuffers, kCreate); GLHOOK(glDeleteRenderbuffers, kCreate);
  GLHOOK(glDeleteTextures, kCreate); GLHOOK(glDeleteProgram, kCreate);

  GLHOOK(glGetError, kQuery); GLHOOK(glGetIntegerv, kQuery); GLHOOK(glGetFloatv, kQuery);
  GLHOOK(glGetUniformLocation, kQuery); GLHOOK(glCheckFramebufferStatus, kQuery); GLHOOK(glGetProgramiv, kQuery);
  GLHOOK(glGetShaderiv, kQuery);

  GLHOOK(glActiveTexture, kState); GLHOOK(glBindBuffer, kState); GLHOOK(glBindFramebuffer, kState);
  GLHOOK(glBindRenderbuffer, kState); GLHOOK(glBindSampler, kState); GLHOOK(glBindTexture, kState);
  GLHOOK(glBindVertexArray, kState); GLHOOK(glBlendColor, kState); GLHOOK(glBlendEquation, kState);
  GLHOOK(glBlendEquationSeparate, kState); GLHOOK(glBlendFunc, kState); GLHOOK(glBlendFuncSeparate, kState);
  GLHOOK(glClearColor, kState); GLHOOK(glClearDepth, kState); GLHOOK(glClearStencil, kState);
  GLHOOK(glColorMask, kState); GLHOOK(glCullFace, kState); GLHOOK(glDepthFunc, kState);
  GLHOOK(glDepthMask, kState); GLHOOK(glDepthRangef, kState); GLHOOK(glDisable, kState);
  GLHOOK(glDisableVertexAttribArray, kState); GLHOOK(glEnable, kState); GLHOOK(glEnableVertexAttribArray, kState);
  GLHOOK(glFramebufferRenderbuffer, kState); GLHOOK(glFramebufferTexture2D, kState);
  GLHOOK(glPixelStorei, kState); GLHOOK(glPolygonMode, kState); GLHOOK(glPolygonOffset, kState);
  GLHOOK(glSamplerParameterf, kState); GLHOOK(glSamplerParameterfv, kState); GLHOOK(glSamplerParameteri, kState);
  GLHOOK(glScissor, kState); GLHOOK(glStencilMask, kState); GLHOOK(glTexParameteri, kState);
  GLHOOK(glUniform1f, kState); GLHOOK(glUniform1i, kState); GLHOOK(glUniform2fv, kState);
  GLHOOK(glUniform3fv, kState); GLHOOK(glUniform4f, kState); GLHOOK(glUniform4fv, kState);
  GLHOOK(glUniformMatrix4fv, kState); GLHOOK(glUseProgram, kState); GLHOOK(glVertexAttrib4f, kState);
  GLHOOK(glVertexAttribPointer, kState); GLHOOK(glViewport, kState);

  GLHOOK(glDrawArrays, kWork); GLHOOK(glDrawElementsBaseVertex, kWork); GLHOOK(glDrawElements, kWork);
  GLHOOK(glClear, kWork); GLHOOK(glBlitFramebuffer, kWork); GLHOOK(glReadPixels, kWork);
  InstallBufferData(); GLHOOK(glBufferSubData, kWork); GLHOOK(glMapBufferRange, kWork);
  GLHOOK(glUnmapBuffer, kWork); GLHOOK(glTexSubImage2D, kWork); GLHOOK(glGenerateMipmap, kWork);
}

inline void RemoveAll() {
  for (auto it = Hooks().removers.rbegin(); it != Hooks().removers.rend(); ++it) (*it)();
  Hooks().removers.clear();
}

inline void ResetCounts() {
  Counts& c = Get();
  for (uint64_t& n : c.calls) n = 0;
  c.stateCalls.clear();
}

}  // namespace glhooks
