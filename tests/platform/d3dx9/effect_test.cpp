// effect_test.cpp -- effect files: parsing errors with lines, a two-pass blended quad, saved state
#include <d3dx9.h>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>

#include "platform/d3dx9/readers/effect_desc.h"
#include "tests/support/picture.h"

namespace {

std::string DataPath(const char* name) { return std::string(QOLA_SOURCE_DIR) + "/tests/data/fx/" + name; }

// ---- the parser alone: every error names the file and the line where it is ----
TEST(EffectParse, ErrorsNameFileAndLine) {
  struct Case {
    const char* text;
    const char* expected;  // substring of the error
  } cases[] = {
      {"float a = 1.0\nfloat b;", "f.fx(2): error: expected ';' but found 'float'"},
      {"float2 v = {1, 2, 3};", "f.fx(1): error: 'v' takes 2 values"},
      {"float a;\nfloat a;", "f.fx(2): error: parameter 'a' is declared twice"},
      {"texture t;\nsampler s = sampler_state {\n Texture = <u>; };", "f.fx(3): error: 'u' is not a texture"},
      {"texture t;\nsampler s = sampler_state { Texture = <t>;\n MinFilter = Blurry; };",
       "f.fx(3): error: 'Blurry' is not a value of MinFilter"},
      {"vertexshader V { void main() {}\n", "f.fx(1): error: shader 'V' is never closed"},
      {"technique T {\n pass P { VertexShader = Missing; } }", "f.fx(2): error: no vertexshader named 'Missing'"},
      {"float a;", "error: the file declares no technique"},
      {"vertexshader V {} pixelshader P {}\ntechnique T { pass A {\n Shininess = 3; } }",
       "f.fx(3): error: unknown render state 'Shininess'"},
      {"int i;", "f.fx(1): error: unknown type or keyword 'int'"},
  };
  for (const Case& c : cases) {
    d3dx9fx::EffectDesc desc;
    std::string error;
    EXPECT_FALSE(d3dx9fx::ParseEffect("f.fx", c.text, &desc, &error)) << c.text;
    EXPECT_NE(std::string::npos, error.find(c.expected)) << "text: " << c.text << "\nerror: " << error;
  }
}

TEST(EffectParse, DefaultsSamplersAndPasses) {
  d3dx9fx::EffectDesc desc;
  std::string error;
  std::string text = "float4x4 M : WORLD < string ui = \"a>b\"; >;\nfloat4 c = {1, -2.5f, 3e1, .5};\ntexture t;\n"
                     "sampler s = sampler_state { Texture = <t>; AddressU = Clamp; MagFilter = Linear; };\n"
                     "vertexshader V { void main() { if (true) { } } }\npixelshader P { void main() {} }\n"
                     "technique T { pass A { SrcBlend = InvSrcAlpha; CullMode = CW; VertexShader = V; "
                     "PixelShader = P; } }\n";
  ASSERT_TRUE(d3dx9fx::ParseEffect("f.fx", text, &desc, &error)) << error;
  ASSERT_EQ(4u, desc.parameters.size());
  EXPECT_EQ(1.0f, desc.parameters[0].value[0]);  // identity by default
  EXPECT_EQ(1.0f, desc.parameters[0].value[15]);
  EXPECT_EQ(0.0f, desc.parameters[0].value[1]);
  const float expected[] = {1.0f, -2.5f, 30.0f, 0.5f};
  for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(expected[i], desc.parameters[1].value[i]);
  ASSERT_EQ(2u, desc.parameters[3].samplerStates.size());
  EXPECT_EQ(D3DSAMP_ADDRESSU, desc.parameters[3].samplerStates[0].first);
  EXPECT_EQ(static_cast<DWORD>(D3DTADDRESS_CLAMP), desc.parameters[3].samplerStates[0].second);
  EXPECT_NE(std::string::npos, desc.shaders[0].source.find("if (true) { }"));
  EXPECT_EQ(5, desc.shaders[0].line);
  const auto& states = desc.techniques[0].passes[0].renderStates;
  ASSERT_EQ(2u, states.size());
  EXPECT_EQ(static_cast<DWORD>(D3DBLEND_INVSRCALPHA), states[0].second);
  EXPECT_EQ(static_cast<DWORD>(D3DCULL_CW), states[1].second);
}

// ---- compiled on a device ----
class EffectDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(testsupport::CreateTestDevice(&dev_, 64, 64)) << dev_.error; }

  ID3DXEffect* Load(const char* name, std::string* errors = nullptr) {
    ID3DXEffect* effect = nullptr;
    ID3DXBuffer* buffer = nullptr;
    D3DXCreateEffectFromFileA(dev_.device, DataPath(name).c_str(), nullptr, nullptr, 0, nullptr, &effect, &buffer);
    if (buffer) {
      if (errors) *errors = static_cast<const char*>(buffer->GetBufferPointer());
      buffer->Release();
    }
    return effect;
  }

  testsupport::TestDevice dev_;
};

TEST_F(EffectDeviceTest, GlslErrorsCarryTheFxLine) {
  std::string errors;
  EXPECT_EQ(nullptr, Load("glsl_error.fx", &errors));
  EXPECT_NE(std::string::npos, errors.find("glsl_error.fx(12)")) << errors;
  EXPECT_NE(std::string::npos, errors.find("undeclaredThing")) << errors;
}

// An "#extension" line in a shader's text goes before everything the layer declares, as GLSL
// wants it, and the lines after it keep their numbers.
TEST_F(EffectDeviceTest, ShaderExtensionsComeFirstAndKeepTheLines) {
  std::string errors;
  ID3DXEffect* effect = Load("extension.fx", &errors);
  EXPECT_NE(nullptr, effect) << errors;
  if (effect) effect->Release();
  errors.clear();
  EXPECT_EQ(nullptr, Load("extension_error.fx", &errors));
  EXPECT_NE(std::string::npos, errors.find("extension_error.fx(13)")) << errors;
  EXPECT_NE(std::string::npos, errors.find("undeclaredThing")) << errors;
}

TEST_F(EffectDeviceTest, MissingFileFailsWithoutBuffer) {
  ID3DXEffect* effect = nullptr;
  ID3DXBuffer* buffer = reinterpret_cast<ID3DXBuffer*>(1);
  EXPECT_EQ(D3DERR_NOTFOUND, D3DXCreateEffectFromFileA(dev_.device, "no/such.fx", nullptr, nullptr, 0, nullptr,
                                                       &effect, &buffer));
  EXPECT_EQ(nullptr, effect);
  EXPECT_EQ(nullptr, buffer);
}

TEST_F(EffectDeviceTest, ParametersTechniquesAndPassOrder) {
  ID3DXEffect* effect = Load("two_pass.fx");
  ASSERT_NE(nullptr, effect);
  float strength = 0.0f;
  EXPECT_EQ(D3D_OK, effect->GetFloat("g_fStrength", &strength));
  EXPECT_FLOAT_EQ(0.5f, strength);
  D3DXMATRIX m(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16), back;
  EXPECT_EQ(D3D_OK, effect->SetMatrix("Matrix", &m));
  EXPECT_EQ(D3D_OK, effect->GetMatrix("Matrix", &back));
  EXPECT_TRUE(m == back);
  EXPECT_EQ(D3DERR_INVALIDCALL, effect->SetMatrix("g_fStrength", &m));
  EXPECT_EQ(D3DERR_INVALIDCALL, effect->SetFloat("nothing", 1.0f));
  EXPECT_EQ(D3DERR_INVALIDCALL, effect->SetTechnique("Fancy"));
  EXPECT_EQ(D3D_OK, effect->SetTechnique("Plain"));
  EXPECT_STREQ("Plain", effect->GetCurrentTechnique());

  UINT passes = 0;
  EXPECT_EQ(D3DERR_INVALIDCALL, effect->BeginPass(0));  // before Begin
  ASSERT_EQ(D3D_OK, effect->Begin(&passes, 0));
  EXPECT_EQ(1u, passes);
  EXPECT_EQ(D3DERR_INVALIDCALL, effect->CommitChanges());  // outside a pass
  EXPECT_EQ(D3DERR_INVALIDCALL, effect->BeginPass(1));
  EXPECT_EQ(D3D_OK, effect->BeginPass(0));
  EXPECT_EQ(D3DERR_INVALIDCALL, effect->BeginPass(0));  // no EndPass yet
  EXPECT_EQ(D3D_OK, effect->CommitChanges());
  EXPECT_EQ(D3D_OK, effect->EndPass());
  EXPECT_EQ(D3D_OK, effect->End());
  EXPECT_EQ(D3DERR_INVALIDCALL, effect->End());
  effect->Release();
}

// The descriptions list what the file declares, in file order; pass handles stay distinct even
// where two techniques name their passes alike.
TEST_F(EffectDeviceTest, DescriptionsInFileOrder) {
  ID3DXEffect* effect = Load("two_pass.fx");
  ASSERT_NE(nullptr, effect);
  D3DXEFFECT_DESC desc;
  ASSERT_EQ(D3D_OK, effect->GetDesc(&desc));
  EXPECT_EQ(5u, desc.Parameters);
  EXPECT_EQ(2u, desc.Techniques);

  D3DXPARAMETER_DESC p;
  ASSERT_EQ(D3D_OK, effect->GetParameterDesc(effect->GetParameter(nullptr, 0), &p));
  EXPECT_STREQ("Matrix", p.Name);
  EXPECT_EQ(D3DXPC_MATRIX_ROWS, p.Class);
  EXPECT_EQ(D3DXPT_FLOAT, p.Type);
  EXPECT_EQ(4u, p.Rows);
  EXPECT_EQ(4u, p.Columns);
  EXPECT_EQ(64u, p.Bytes);
  ASSERT_EQ(D3D_OK, effect->GetParameterDesc("g_vWash", &p));
  EXPECT_EQ(D3DXPC_VECTOR, p.Class);
  EXPECT_EQ(4u, p.Columns);
  ASSERT_EQ(D3D_OK, effect->GetParameterDesc(effect->GetParameter(nullptr, 3), &p));
  EXPECT_EQ(D3DXPT_TEXTURE, p.Type);
  EXPECT_EQ(nullptr, effect->GetParameter(nullptr, 5));
  EXPECT_EQ(D3DERR_INVALIDCALL, effect->GetParameterDesc("nothing", &p));

  D3DXHANDLE first = effect->GetTechnique(0);
  D3DXTECHNIQUE_DESC t;
  ASSERT_EQ(D3D_OK, effect->GetTechniqueDesc(first, &t));
  EXPECT_STREQ("TexturedWash", t.Name);
  EXPECT_EQ(2u, t.Passes);
  D3DXPASS_DESC pass;
  ASSERT_EQ(D3D_OK, effect->GetPassDesc(effect->GetPass(first, 1), &pass));
  EXPECT_STREQ("Wash", pass.Name);
  EXPECT_EQ(nullptr, effect->GetPass(first, 2));
  EXPECT_EQ(nullptr, effect->GetTechnique(2));
  // A name that is not a handle GetPass returned is refused, even when a pass has that name.
  EXPECT_EQ(D3DERR_INVALIDCALL, effect->GetPassDesc("Wash", &pass));
  effect->Release();
}

struct QuadVertex {
  float x, y, z, u, v;
};

TEST_F(EffectDeviceTest, TwoPassBlendedQuadAndStateRestoredAfterEnd) {
  IDirect3DDevice9* d = dev_.device;
  ID3DXEffect* effect = Load("two_pass.fx");
  ASSERT_NE(nullptr, effect);

  // A 2 x 1 texture: red on the left, green on the right.
  IDirect3DTexture9* texture = nullptr;
  ASSERT_EQ(D3D_OK, d->CreateTexture(2, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr));
  D3DLOCKED_RECT locked;
  ASSERT_EQ(D3D_OK, texture->LockRect(0, &locked, nullptr, 0));
  static_cast<DWORD*>(locked.pBits)[0] = 0xffff0000;
  static_cast<DWORD*>(locked.pBits)[1] = 0xff00ff00;
  texture->UnlockRect(0);

  // The states the passes change, set to values of our own before Begin.
  d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  d->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_DESTCOLOR);
  d->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCCOLOR);
  d->SetRenderState(D3DRS_CULLMODE, D3DCULL_CW);
  d->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_MIRROR);

  D3DXMATRIX projection;
  D3DXMatrixOrthoOffCenterLH(&projection, 0.0f, 64.0f, 64.0f, 0.0f, 0.0f, 1.0f);
  ASSERT_EQ(D3D_OK, effect->SetMatrix("Matrix", &projection));
  ASSERT_EQ(D3D_OK, effect->SetTexture("g_tDiffuse", texture));
  ASSERT_EQ(D3D_OK, effect->SetTechnique("TexturedWash"));

  const QuadVertex quad[4] = {{16, 16, 0.5f, 0, 0}, {48, 16, 0.5f, 1, 0}, {16, 48, 0.5f, 0, 1}, {48, 48, 0.5f, 1, 1}};
  d->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(0, 0, 0), 1.0f, 0);
  d->BeginScene();
  IDirect3DVertexBuffer9* vb = nullptr;
  ASSERT_EQ(D3D_OK, d->CreateVertexBuffer(sizeof quad, 0, D3DFVF_XYZ | D3DFVF_TEX1, D3DPOOL_MANAGED, &vb, nullptr));
  void* bytes = nullptr;
  ASSERT_EQ(D3D_OK, vb->Lock(0, sizeof quad, &bytes, 0));
  std::memcpy(bytes, quad, sizeof quad);
  vb->Unlock();
  d->SetFVF(D3DFVF_XYZ | D3DFVF_TEX1);
  d->SetStreamSource(0, vb, 0, sizeof(QuadVertex));
  UINT passes = 0;
  ASSERT_EQ(D3D_OK, effect->Begin(&passes, 0));
  ASSERT_EQ(2u, passes);
  for (UINT p = 0; p < passes; ++p) {
    ASSERT_EQ(D3D_OK, effect->BeginPass(p));
    EXPECT_EQ(D3D_OK, d->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2));
    ASSERT_EQ(D3D_OK, effect->EndPass());
  }
  ASSERT_EQ(D3D_OK, effect->End());
  d->EndScene();

  testsupport::Picture picture;
  ASSERT_TRUE(testsupport::ReadBackBuffer(d, &picture));
  // Half red (or green) from the first pass, plus half blue from the blended second.
  auto left = testsupport::AverageColor(picture, 18, 18, 30, 46);
  auto right = testsupport::AverageColor(picture, 34, 18, 46, 46);
  auto outside = testsupport::AverageColor(picture, 0, 0, 64, 12);
  EXPECT_TRUE(testsupport::Near(left, D3DCOLOR_XRGB(128, 0, 128), 6)) << testsupport::Describe(left);
  EXPECT_TRUE(testsupport::Near(right, D3DCOLOR_XRGB(0, 128, 128), 6)) << testsupport::Describe(right);
  EXPECT_TRUE(testsupport::Near(outside, D3DCOLOR_XRGB(0, 0, 0), 2)) << testsupport::Describe(outside);

  struct Expected {
    D3DRENDERSTATETYPE state;
    DWORD value;
  } expected[] = {{D3DRS_ALPHABLENDENABLE, FALSE},
                  {D3DRS_SRCBLEND, D3DBLEND_DESTCOLOR},
                  {D3DRS_DESTBLEND, D3DBLEND_INVSRCCOLOR},
                  {D3DRS_CULLMODE, D3DCULL_CW}};
  for (const Expected& e : expected) {
    DWORD value = 0;
    d->GetRenderState(e.state, &value);
    EXPECT_EQ(e.value, value) << "render state " << e.state;
  }
  DWORD address = 0;
  d->GetSamplerState(0, D3DSAMP_ADDRESSU, &address);
  EXPECT_EQ(static_cast<DWORD>(D3DTADDRESS_MIRROR), address);
  IDirect3DBaseTexture9* bound = reinterpret_cast<IDirect3DBaseTexture9*>(1);
  d->GetTexture(0, &bound);
  EXPECT_EQ(nullptr, bound);

  // D3DXFX_DONOTSAVESTATE leaves the last pass's states in place.
  ASSERT_EQ(D3D_OK, effect->Begin(&passes, D3DXFX_DONOTSAVESTATE));
  for (UINT p = 0; p < passes; ++p) {
    effect->BeginPass(p);
    effect->EndPass();
  }
  effect->End();
  DWORD blend = 0;
  d->GetRenderState(D3DRS_ALPHABLENDENABLE, &blend);
  EXPECT_EQ(static_cast<DWORD>(TRUE), blend);
  d->SetTexture(0, nullptr);
  d->SetStreamSource(0, nullptr, 0, 0);
  vb->Release();
  effect->Release();
  texture->Release();
}

}  // namespace

namespace {

// The example of docs/effect-files.md compiles as it stands.
TEST_F(EffectDeviceTest, DocumentedExampleCompiles) {
  std::ifstream doc(std::string(QOLA_SOURCE_DIR) + "/docs/effect-files.md");
  ASSERT_TRUE(doc.good());
  std::string line, example;
  bool inside = false;
  while (std::getline(doc, line)) {
    if (line == "```fx") {
      inside = true;
    } else if (inside && line == "```") {
      break;
    } else if (inside) {
      example += line + "\n";
    }
  }
  ASSERT_FALSE(example.empty());
  std::string path = ::testing::TempDir() + "tinted.fx";
  std::ofstream(path) << example;
  ID3DXEffect* effect = nullptr;
  ID3DXBuffer* errors = nullptr;
  HRESULT hr = D3DXCreateEffectFromFileA(dev_.device, path.c_str(), nullptr, nullptr, 0, nullptr, &effect, &errors);
  EXPECT_EQ(D3D_OK, hr) << (errors ? static_cast<const char*>(errors->GetBufferPointer()) : "");
  if (errors) errors->Release();
  if (effect) effect->Release();
}

}  // namespace
