// d3d9_gl.h -- what the D3DX layer may ask of the OpenGL device beneath IDirect3DDevice9
//
// Only platform/ includes this. D3DX effects compile GLSL programs of their own; they hand them
// to the device with SetProgram instead of binding them behind its back, so that the device's
// cached GL state stays true. Everything else (render states, samplers, textures, streams,
// index buffers, draws) effects and meshes do through the public IDirect3DDevice9 calls.
//
// What a program of an effect can rely on:
//   - gl_Position is Direct3D's clip space as it is: depth 0..1, y up. The device draws with
//     glClipControl(GL_UPPER_LEFT, GL_ZERO_TO_ONE), so no flip and no depth remap in shaders;
//     texture coordinate (0, 0) samples the top-left texel of every texture and render target.
//   - Matrices are uploaded row-major as they are (transpose GL_FALSE): `M * v` in GLSL is
//     `mul(v, M)` in HLSL.
//   - A sampler uniform set to unit n samples the texture of IDirect3DDevice9::SetTexture(n)
//     with the sampler states of stage n (the device binds a GL sampler object per stage).
//   - D3DFVF_XYZRHW positions reach the shader untransformed (pixels); only the device's own
//     program turns them into clip space.
#pragma once

#include <d3d9.h>
#include <epoxy/gl.h>

namespace d3d9gl {

// Vertex inputs of the flexible vertex formats, at fixed attribute locations for every program
// (the device's own and every effect's).
enum VertexAttrib : GLuint {
  kAttribPosition = 0,   // D3DFVF_XYZ: vec3 (D3DFVF_XYZRHW: vec4)
  kAttribNormal = 1,     // D3DFVF_NORMAL: vec3
  kAttribDiffuse = 2,    // D3DFVF_DIFFUSE: vec4 from the BGRA bytes of a D3DCOLOR
  kAttribTexCoord0 = 3,  // D3DFVF_TEX1: vec2
};

// Makes the device's GL context current on this thread; false for a device that is not ours.
bool MakeCurrent(IDirect3DDevice9* device);

// The uniforms through which a program applies Direct3D's alpha test (D3DRS_ALPHATESTENABLE,
// D3DRS_ALPHAFUNC, D3DRS_ALPHAREF). A program's fragment shader declares them with
// kAlphaTestGlsl and discards where d3dAlphaPasses(alpha) is false. Before a draw the device
// uploads the test when it differs from what this program last received; the owner keeps the
// struct alive (and unmoved) while the program may be set.
struct AlphaTestUniforms {
  GLint func = -1;  // int d3dAlphaFunc: a D3DCMP_ value, D3DCMP_ALWAYS while the test is off
  GLint ref = -1;   // float d3dAlphaRef: the reference, 0..255
  int uploadedFunc = -1;  // what the program holds (kept by the device)
  int uploadedRef = -1;
};
extern const char kAlphaTestGlsl[];

// Binds a linked program for the following draws (glUseProgram now, and remembered so the
// device does not bind it again); 0 gives the draws back to the device's own program.
// alphaTest: the program's alpha-test uniforms, or null for a program without them (the test
// then does not apply to its draws).
void SetProgram(IDirect3DDevice9* device, GLuint program, AlphaTestUniforms* alphaTest = nullptr);
GLuint CurrentProgram(IDirect3DDevice9* device);

}  // namespace d3d9gl
