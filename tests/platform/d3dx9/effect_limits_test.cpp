// effect_limits_test.cpp -- effect files at their edges: exact integer states, reserved names,
// unsafe bytes, line ends, sampler units and the stated limits, and files that are not files
#include <d3dx9.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <string>

#include "platform/d3dx9/readers/effect_desc.h"
#include "tests/support/picture.h"

namespace {

const std::string kShaders = "vertexshader V { void main() {} }\npixelshader P { void main() {} }\n";

std::string Pass(const std::string& states) {
  return kShaders + "technique T { pass A {\n" + states + "\n VertexShader = V; PixelShader = P; } }\n";
}

std::string Repeat(int count, const std::string& before, const std::string& after) {
  std::string out;
  for (int i = 0; i < count; ++i) out += before + std::to_string(i) + after;
  return out;
}

TEST(EffectLimits, RefusesWithTheNameTheValueAndTheLine) {
  std::string samplers = "texture t;\n" + Repeat(9, "sampler s", " = sampler_state { Texture = <t>; };\n");
  std::string techniques = kShaders + Repeat(257, "technique T", " { pass A { VertexShader = V; PixelShader = P; } }\n");
  std::string passes = kShaders + "technique T {\n" + Repeat(33, " pass A", " { VertexShader = V; PixelShader = P; }\n") +
                       "}\n";
  struct Case {
    const char* name;
    std::string text;
    const char* expected;
  } cases[] = {
      {"state past 32 bits", Pass("ColorWriteEnable = 4294967296;"),
       "f.fx(4): error: value '4294967296' of ColorWriteEnable is out of range"},
      {"state far past 32 bits", Pass("ZEnable = 18446744073709551617;"), "value '18446744073709551617' of ZEnable"},
      {"fractional state", "texture t;\nsampler s = sampler_state { Texture = <t>;\n MaxAnisotropy = 1.5; };",
       "f.fx(3): error: value '1.5' of MaxAnisotropy is not an unsigned integer"},
      {"negative state", Pass("ColorWriteEnable = -1;"), "value '-1' of ColorWriteEnable is not an unsigned integer"},
      {"GLSL type as a name", "float a;\nfloat int;", "f.fx(2): error: parameter name 'int' is a GLSL keyword"},
      {"GLSL vector as a name", "float4 vec4;", "f.fx(1): error: parameter name 'vec4' is a GLSL keyword"},
      {"gl_ name", "\nfloat4 gl_Position;", "f.fx(2): error: parameter name 'gl_Position' begins with gl_"},
      {"layer's own name", "float4 outColor;", "'outColor' is declared by the effect layer in every shader"},
      {"double underscore", "float a__b;", "'a__b' holds two underscores"},
      {"sampler named like GLSL", "texture t;\nsampler\n in = sampler_state { Texture = <t>; };", "f.fx(3): error"},
      {"NUL byte quoted", "float a;\nfloat b" + std::string(1, '\0') + " = 1;", "f.fx(2): error: expected ';' but found '\\x00'"},
      {"CR line ends", "float a;\rfloat b;\rfloat a;", "f.fx(3): error: parameter 'a' is declared twice"},
      {"CR LF line ends", "float a;\r\nfloat b;\r\nfloat a;", "f.fx(3): error: parameter 'a' is declared twice"},
      {"ninth sampler", samplers, "f.fx(10): error: sampler 's8' is one more than the device's 8 sampler units"},
      {"default overflowing to infinity", "float a = 1e39;", "f.fx(1): error: '1e39' does not fit a float"},
      {"vector default overflowing", "float2 a = {1, -4e38};", "'-4e38' does not fit a float"},
      {"too many parameters", Repeat(1025, "float p", ";\n"), "f.fx(1025): error: more than 1024 parameters"},
      {"too many techniques", techniques, "f.fx(259): error: more than 256 techniques"},
      {"too many passes", passes, "f.fx(36): error: technique 'T' has more than 32 passes"},
      {"file too large", std::string(d3dx9fx::kMaxEffectFileBytes + 1, ' '), "an effect file may be at most"},
  };
  for (const Case& c : cases) {
    d3dx9fx::EffectDesc desc;
    std::string error;
    EXPECT_FALSE(d3dx9fx::ParseEffect("f.fx", c.text, &desc, &error)) << c.name;
    EXPECT_NE(std::string::npos, error.find(c.expected)) << c.name << "\nerror: " << error;
    EXPECT_EQ(std::string::npos, error.find('\0')) << c.name;
  }
}

TEST(EffectLimits, IntegerStatesAreReadExactly) {
  struct Case {
    const char* value;
    DWORD expected;
  } cases[] = {
      {"4294967295", 0xffffffffu},
      {"16777217", 16777217u},  // not a float's 16777216
      {"0x0000000F", 15u},
      {"0", 0u},
  };
  for (const Case& c : cases) {
    d3dx9fx::EffectDesc desc;
    std::string error;
    ASSERT_TRUE(d3dx9fx::ParseEffect("f.fx", Pass(std::string("ColorWriteEnable = ") + c.value + ";"), &desc, &error))
        << c.value << ": " << error;
    ASSERT_EQ(1u, desc.techniques[0].passes[0].renderStates.size());
    EXPECT_EQ(c.expected, desc.techniques[0].passes[0].renderStates[0].second) << c.value;
  }
  // Eight samplers are what the device has: all accepted; names are found by lookup.
  std::string eight = "texture t;\n" + Repeat(8, "sampler s", " = sampler_state { Texture = <t>; };\n") + Pass("");
  d3dx9fx::EffectDesc desc;
  std::string error;
  ASSERT_TRUE(d3dx9fx::ParseEffect("f.fx", eight, &desc, &error)) << error;
  EXPECT_EQ(8, desc.FindParameter("s7"));
  EXPECT_EQ(-1, desc.FindParameter("s8"));
  EXPECT_EQ(1, desc.FindShader("P", false));
  EXPECT_EQ(-1, desc.FindShader("P", true));
}

TEST(EffectLimits, WhatIsNotARegularFileIsRefusedWithoutBlocking) {
  testsupport::TestDevice dev;
  ASSERT_TRUE(testsupport::CreateTestDevice(&dev, 16, 16)) << dev.error;
  std::string fifo = testing::TempDir() + "qola_fifo.fx";
  std::remove(fifo.c_str());
  ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
  for (const std::string& path : {fifo, testing::TempDir()}) {
    ID3DXEffect* effect = nullptr;
    ID3DXBuffer* errors = nullptr;
    EXPECT_EQ(D3DXERR_INVALIDDATA,
              D3DXCreateEffectFromFileA(dev.device, path.c_str(), nullptr, nullptr, 0, nullptr, &effect, &errors));
    EXPECT_EQ(nullptr, effect);
    ASSERT_NE(nullptr, errors) << path;
    std::string text = static_cast<const char*>(errors->GetBufferPointer());
    EXPECT_NE(std::string::npos, text.find(path + "(1): error: the file is not a regular file")) << text;
    errors->Release();
  }
  std::remove(fifo.c_str());
}

}  // namespace
