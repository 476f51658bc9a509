// effect_parse.cpp -- the effect file parser: parameters, sampler_state blocks, GLSL shader blocks,
// techniques and passes
//
// A small hand-written recursive descent over tokens. Shader blocks are taken as raw text between
// balanced braces so the GLSL inside is never tokenised; their first line is kept for #line.
#include "platform/d3dx9/readers/effect_desc.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <unordered_set>

#include "platform/d3dx9/readers/effect_names.h"
#include "platform/d3dx9/readers/effect_states.h"
#include "platform/d3dx9/readers/file_bytes.h"
#include "platform/services/file_read.h"

namespace d3dx9fx {

const char* ParamTypeName(ParamType type) {
  switch (type) {
    case ParamType::kFloat: return "float";
    case ParamType::kFloat2: return "float2";
    case ParamType::kFloat3: return "float3";
    case ParamType::kFloat4: return "float4";
    case ParamType::kFloat4x4: return "float4x4";
    case ParamType::kTexture: return "texture";
    case ParamType::kSampler: return "sampler";
  }
  return "?";
}

int ParamFloatCount(ParamType type) {
  switch (type) {
    case ParamType::kFloat: return 1;
    case ParamType::kFloat2: return 2;
    case ParamType::kFloat3: return 3;
    case ParamType::kFloat4: return 4;
    case ParamType::kFloat4x4: return 16;
    default: return 0;
  }
}

int EffectDesc::FindParameter(const std::string& name) const {
  auto found = parameterIndex.find(name);
  return found == parameterIndex.end() ? -1 : found->second;
}

int EffectDesc::FindShader(const std::string& name, bool vertex) const {
  auto found = shaderIndex[vertex ? 1 : 0].find(name);
  return found == shaderIndex[vertex ? 1 : 0].end() ? -1 : found->second;
}

namespace {

struct Token {
  enum Kind { kEnd, kIdent, kNumber, kPunct } kind = kEnd;
  std::string text;
  int line = 0;
};

class Parser {
 public:
  Parser(const std::string& file, const std::string& text, EffectDesc* out)
      : file_(file), text_(text), out_(out) {}

  bool Run(std::string* error) {
    bool ok = ParseFile();
    if (!ok) *error = error_;
    return ok;
  }

 private:
  // ---- characters and tokens ----
  void SkipSpaceAndComments() {
    while (pos_ < text_.size()) {
      char c = text_[pos_];
      if (c == '\n') {
        ++line_;
        ++pos_;
      } else if (std::isspace(static_cast<unsigned char>(c))) {
        ++pos_;
      } else if (c == '/' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '/') {
        while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
      } else if (c == '/' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '*') {
        pos_ += 2;
        while (pos_ + 1 < text_.size() && !(text_[pos_] == '*' && text_[pos_ + 1] == '/')) {
          if (text_[pos_] == '\n') ++line_;
          ++pos_;
        }
        pos_ = pos_ + 2 <= text_.size() ? pos_ + 2 : text_.size();
      } else {
        return;
      }
    }
  }

  Token Next() {
    SkipSpaceAndComments();
    Token t;
    t.line = line_;
    if (pos_ >= text_.size()) return t;
    char c = text_[pos_];
    size_t start = pos_;
    if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
      while (pos_ < text_.size() && (std::isalnum(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == '_'))
        ++pos_;
      t.kind = Token::kIdent;
    } else if (std::isdigit(static_cast<unsigned char>(c)) || c == '.' ||
               ((c == '-' || c == '+') && pos_ + 1 < text_.size() &&
                (std::isdigit(static_cast<unsigned char>(text_[pos_ + 1])) || text_[pos_ + 1] == '.'))) {
      ++pos_;
      while (pos_ < text_.size() && (std::isalnum(static_cast<unsigned char>(text_[pos_])) || text_[pos_] == '.' ||
                                     ((text_[pos_] == '-' || text_[pos_] == '+') &&
                                      (text_[pos_ - 1] == 'e' || text_[pos_ - 1] == 'E'))))
        ++pos_;
      t.kind = Token::kNumber;
    } else {
      ++pos_;
      t.kind = Token::kPunct;
    }
    t.text = text_.substr(start, pos_ - start);
    return t;
  }

  Token Peek() {
    size_t pos = pos_;
    int line = line_;
    Token t = Next();
    pos_ = pos;
    line_ = line;
    return t;
  }

  bool Fail(int line, const std::string& message) {
    std::ostringstream s;
    s << file_ << "(" << line << "): error: " << message;
    error_ = s.str();
    return false;
  }

  static std::string Describe(const Token& t) {
    return t.kind == Token::kEnd ? "end of file" : "'" + d3dx9file::QuoteBytes(t.text) + "'";
  }

  bool Expect(const char* punct) {
    Token t = Next();
    if (t.kind == Token::kPunct && t.text == punct) return true;
    return Fail(t.line, std::string("expected '") + punct + "' but found " + Describe(t));
  }

  bool ExpectIdent(Token* t, const char* what) {
    *t = Next();
    if (t->kind == Token::kIdent) return true;
    return Fail(t->line, std::string("expected ") + what + " but found " + Describe(*t));
  }

  bool ParseNumber(float* value) {
    Token t = Next();
    if (t.kind == Token::kIdent && (t.text == "true" || t.text == "false")) {
      *value = t.text == "true" ? 1.0f : 0.0f;
      return true;
    }
    if (t.kind != Token::kNumber) return Fail(t.line, "expected a number but found " + Describe(t));
    std::string digits = t.text;
    if (!digits.empty() && (digits.back() == 'f' || digits.back() == 'F')) digits.pop_back();
    char* end = nullptr;
    *value = std::strtof(digits.c_str(), &end);
    if (digits.empty() || *end != '\0') return Fail(t.line, Describe(t) + " is not a number");
    if (std::isinf(*value)) return Fail(t.line, Describe(t) + " does not fit a float");
    return true;
  }

  // ---- declarations ----
  bool ParseFile() {
    for (;;) {
      Token t = Next();
      if (t.kind == Token::kEnd) break;
      if (t.kind != Token::kIdent) return Fail(t.line, "expected a declaration but found " + Describe(t));
      bool ok;
      if (t.text == "technique") {
        ok = ParseTechnique(t.line);
      } else if (t.text == "vertexshader" || t.text == "pixelshader") {
        ok = ParseShaderBlock(t.text == "vertexshader", t.line);
      } else if (t.text == "sampler" || t.text == "sampler2D") {
        ok = ParseSampler(t.line);
      } else {
        ok = ParseParameter(t);
      }
      if (!ok) return false;
    }
    return CheckReferences();
  }

  bool TypeByName(const std::string& name, ParamType* type) {
    static const struct { const char* name; ParamType type; } kTypes[] = {
        {"float", ParamType::kFloat},       {"float2", ParamType::kFloat2},   {"float3", ParamType::kFloat3},
        {"float4", ParamType::kFloat4},     {"float4x4", ParamType::kFloat4x4}, {"matrix", ParamType::kFloat4x4},
        {"texture", ParamType::kTexture},   {"texture2D", ParamType::kTexture}};
    for (const auto& entry : kTypes) {
      if (name == entry.name) {
        *type = entry.type;
        return true;
      }
    }
    return false;
  }

  bool DeclareName(const std::string& name, int line) {
    if (out_->FindParameter(name) >= 0) return Fail(line, "parameter '" + name + "' is declared twice");
    if (const char* reason = ReservedNameReason(name))
      return Fail(line, "parameter name '" + name + "' " + reason + "; every parameter becomes a shader uniform");
    if (out_->parameters.size() >= kMaxParameters)
      return Fail(line, "more than " + std::to_string(kMaxParameters) + " parameters");
    return true;
  }

  void AddParameter(Parameter p) {
    out_->parameterIndex[p.name] = static_cast<int>(out_->parameters.size());
    out_->parameters.push_back(std::move(p));
  }

  // Optional ": SEMANTIC" and "< annotations >"; both are read and not kept.
  bool SkipSemanticAndAnnotations() {
    Token t = Peek();
    if (t.kind == Token::kPunct && t.text == ":") {
      Next();
      Token semantic;
      if (!ExpectIdent(&semantic, "a semantic")) return false;
      t = Peek();
    }
    if (t.kind == Token::kPunct && t.text == "<") {
      Next();
      for (;;) {
        Token a = Next();
        if (a.kind == Token::kEnd) return Fail(t.line, "annotation block '<' is never closed");
        if (a.kind == Token::kPunct && a.text == ">") break;
        if (a.kind == Token::kPunct && a.text == "\"") {  // strings may hold '>'
          while (pos_ < text_.size() && text_[pos_] != '"' && text_[pos_] != '\n') ++pos_;
          if (pos_ >= text_.size() || text_[pos_] != '"') return Fail(a.line, "string is never closed");
          ++pos_;
        }
      }
    }
    return true;
  }

  bool ParseParameter(const Token& typeToken) {
    Parameter p;
    if (!TypeByName(typeToken.text, &p.type))
      return Fail(typeToken.line, "unknown type or keyword '" + typeToken.text + "'");
    Token name;
    if (!ExpectIdent(&name, "a parameter name")) return false;
    if (!DeclareName(name.text, name.line)) return false;
    p.name = name.text;
    p.line = name.line;
    if (p.type == ParamType::kFloat4x4) {  // matrices default to the identity
      for (int i = 0; i < 4; ++i) p.value[i * 5] = 1.0f;
    }
    if (!SkipSemanticAndAnnotations()) return false;
    Token t = Peek();
    if (t.kind == Token::kPunct && t.text == "=") {
      Next();
      if (p.type == ParamType::kTexture) return Fail(t.line, "texture '" + p.name + "' cannot have a default");
      if (!ParseDefault(&p)) return false;
    }
    if (!Expect(";")) return false;
    AddParameter(std::move(p));
    return true;
  }

  bool ParseDefault(Parameter* p) {
    int count = ParamFloatCount(p->type);
    Token t = Peek();
    if (!(t.kind == Token::kPunct && t.text == "{")) {
      if (count != 1) return Fail(t.line, "'" + p->name + "' needs " + std::to_string(count) + " values in { }");
      return ParseNumber(&p->value[0]);
    }
    Next();
    for (int i = 0; i < count; ++i) {
      if (i > 0 && !Expect(",")) return false;
      if (!ParseNumber(&p->value[i])) return false;
    }
    Token close = Next();
    if (!(close.kind == Token::kPunct && close.text == "}"))
      return Fail(close.line, "'" + p->name + "' takes " + std::to_string(count) + " values, found " +
                                  Describe(close) + " after them");
    return true;
  }

  bool ParseSampler(int line) {
    Parameter p;
    p.type = ParamType::kSampler;
    Token name;
    if (!ExpectIdent(&name, "a sampler name")) return false;
    if (!DeclareName(name.text, name.line)) return false;
    if (samplers_ >= kMaxSamplers)
      return Fail(name.line, "sampler '" + name.text + "' is one more than the device's " +
                                 std::to_string(kMaxSamplers) + " sampler units");
    ++samplers_;
    p.name = name.text;
    p.line = line;
    Token kw;
    if (!Expect("=") || !ExpectIdent(&kw, "sampler_state")) return false;
    if (kw.text != "sampler_state") return Fail(kw.line, "expected sampler_state but found " + Describe(kw));
    if (!Expect("{")) return false;
    for (;;) {
      Token key = Next();
      if (key.kind == Token::kPunct && key.text == "}") break;
      if (key.kind != Token::kIdent) return Fail(key.line, "expected a sampler state but found " + Describe(key));
      if (!Expect("=")) return false;
      if (key.text == "Texture" || key.text == "texture") {
        Token tex;
        if (!Expect("<") || !ExpectIdent(&tex, "a texture parameter") || !Expect(">")) return false;
        int index = out_->FindParameter(tex.text);
        if (index < 0 || out_->parameters[index].type != ParamType::kTexture)
          return Fail(tex.line, "'" + tex.text + "' is not a texture parameter declared before the sampler");
        p.textureName = tex.text;
      } else {
        D3DSAMPLERSTATETYPE state;
        if (!SamplerStateByName(key.text, &state)) return Fail(key.line, "unknown sampler state '" + key.text + "'");
        DWORD value = 0;
        if (!ParseStateValue(&value, [&](const std::string& v, DWORD* out) {
              return SamplerStateValue(state, v, out);
            }, key.text))
          return false;
        p.samplerStates.emplace_back(state, value);
      }
      if (!Expect(";")) return false;
    }
    if (!Expect(";")) return false;
    if (p.textureName.empty()) return Fail(line, "sampler '" + p.name + "' names no Texture");
    AddParameter(std::move(p));
    return true;
  }

  // Every state takes a 32-bit unsigned integer: decimal or 0x hexadecimal, read exactly.
  bool ParseStateInteger(const Token& t, const std::string& key, DWORD* value) {
    const std::string& text = t.text;
    bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    uint64_t v = 0;
    bool digits = !text.empty();
    for (size_t i = hex ? 2 : 0; i < text.size() && digits; ++i) {
      char c = text[i];
      int d = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
              : hex && std::isxdigit(static_cast<unsigned char>(c)) ? std::tolower(c) - 'a' + 10
                                                                    : -1;
      if (d < 0) {
        digits = false;
      } else if (v <= 0xffffffffu) {
        v = v * (hex ? 16 : 10) + static_cast<uint64_t>(d);
      }
    }
    if (!digits) return Fail(t.line, "value " + Describe(t) + " of " + key + " is not an unsigned integer");
    if (v > 0xffffffffu)
      return Fail(t.line, "value " + Describe(t) + " of " + key + " is out of range (0 to 4294967295)");
    *value = static_cast<DWORD>(v);
    return true;
  }

  template <typename Lookup>
  bool ParseStateValue(DWORD* value, Lookup lookup, const std::string& key) {
    Token t = Peek();
    if (t.kind == Token::kNumber) {
      Next();
      return ParseStateInteger(t, key, value);
    }
    Next();
    if (t.kind != Token::kIdent || !lookup(t.text, value))
      return Fail(t.line, Describe(t) + " is not a value of " + key);
    return true;
  }

  // "vertexshader NAME { GLSL }": the braces inside are balanced; comments are passed through.
  bool ParseShaderBlock(bool vertex, int line) {
    ShaderBlock block;
    block.vertex = vertex;
    Token name;
    if (!ExpectIdent(&name, "a shader name")) return false;
    if (out_->FindShader(name.text, vertex) >= 0) return Fail(name.line, "shader '" + name.text + "' is declared twice");
    if (out_->shaders.size() >= kMaxShaders) return Fail(name.line, "more than " + std::to_string(kMaxShaders) + " shaders");
    block.name = name.text;
    if (!Expect("{")) return false;
    block.line = line_;
    size_t start = pos_;
    int depth = 1;
    while (pos_ < text_.size()) {
      char c = text_[pos_];
      if (c == '\n') ++line_;
      if (c == '/' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '/') {
        while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
        continue;
      }
      if (c == '/' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '*') {
        pos_ += 2;
        while (pos_ + 1 < text_.size() && !(text_[pos_] == '*' && text_[pos_ + 1] == '/')) {
          if (text_[pos_] == '\n') ++line_;
          ++pos_;
        }
        pos_ = pos_ + 2 <= text_.size() ? pos_ + 2 : text_.size();
        continue;
      }
      if (c == '{') ++depth;
      if (c == '}' && --depth == 0) break;
      ++pos_;
    }
    if (depth != 0) return Fail(line, "shader '" + block.name + "' is never closed with '}'");
    block.source = text_.substr(start, pos_ - start);
    ++pos_;
    out_->shaderIndex[vertex ? 1 : 0][block.name] = static_cast<int>(out_->shaders.size());
    out_->shaders.push_back(std::move(block));
    return true;
  }

  bool ParseTechnique(int line) {
    Technique tech;
    tech.line = line;
    Token name;
    if (!ExpectIdent(&name, "a technique name")) return false;
    if (!techniqueNames_.insert(name.text).second)
      return Fail(name.line, "technique '" + name.text + "' is declared twice");
    if (out_->techniques.size() >= kMaxTechniques)
      return Fail(name.line, "more than " + std::to_string(kMaxTechniques) + " techniques");
    tech.name = name.text;
    if (!SkipSemanticAndAnnotations() || !Expect("{")) return false;
    for (;;) {
      Token t = Next();
      if (t.kind == Token::kPunct && t.text == "}") break;
      if (!(t.kind == Token::kIdent && t.text == "pass")) return Fail(t.line, "expected pass but found " + Describe(t));
      if (tech.passes.size() >= kMaxPassesPerTechnique)
        return Fail(t.line, "technique '" + tech.name + "' has more than " + std::to_string(kMaxPassesPerTechnique) +
                                " passes");
      Pass pass;
      if (!ParsePass(t.line, &pass)) return false;
      tech.passes.push_back(std::move(pass));
    }
    if (tech.passes.empty()) return Fail(line, "technique '" + tech.name + "' has no pass");
    out_->techniques.push_back(std::move(tech));
    return true;
  }

  bool ParsePass(int line, Pass* pass) {
    pass->line = line;
    Token name;
    if (!ExpectIdent(&name, "a pass name")) return false;
    pass->name = name.text;
    if (!SkipSemanticAndAnnotations() || !Expect("{")) return false;
    for (;;) {
      Token key = Next();
      if (key.kind == Token::kPunct && key.text == "}") break;
      if (key.kind != Token::kIdent) return Fail(key.line, "expected a pass state but found " + Describe(key));
      if (!Expect("=")) return false;
      if (key.text == "VertexShader" || key.text == "PixelShader") {
        Token shader;
        if (!ExpectIdent(&shader, "a shader name")) return false;
        bool vertex = key.text == "VertexShader";
        if (out_->FindShader(shader.text, vertex) < 0)
          return Fail(shader.line, std::string("no ") + (vertex ? "vertexshader" : "pixelshader") + " named '" +
                                       shader.text + "' is declared before this pass");
        (vertex ? pass->vertexShader : pass->pixelShader) = shader.text;
      } else {
        D3DRENDERSTATETYPE state;
        if (!RenderStateByName(key.text, &state)) return Fail(key.line, "unknown render state '" + key.text + "'");
        DWORD value = 0;
        if (!ParseStateValue(&value, [&](const std::string& v, DWORD* out) {
              return RenderStateValue(state, v, out);
            }, key.text))
          return false;
        pass->renderStates.emplace_back(state, value);
      }
      if (!Expect(";")) return false;
    }
    if (pass->vertexShader.empty() || pass->pixelShader.empty())
      return Fail(line, "pass '" + pass->name + "' needs both a VertexShader and a PixelShader");
    return true;
  }

  bool CheckReferences() {
    if (out_->techniques.empty()) return Fail(line_, "the file declares no technique");
    return true;
  }

  const std::string& file_;
  const std::string& text_;
  EffectDesc* out_;
  size_t pos_ = 0;
  int line_ = 1;
  std::string error_;
  size_t samplers_ = 0;
  std::unordered_set<std::string> techniqueNames_;
};

}  // namespace

bool ParseEffect(const std::string& fileName, const std::string& text, EffectDesc* out, std::string* error) {
  *out = EffectDesc();
  if (text.size() > kMaxEffectFileBytes) {
    *error = fileName + "(1): error: the file is " + std::to_string(text.size()) + " bytes; an effect file may be at most " +
             std::to_string(kMaxEffectFileBytes);
    return false;
  }
  // Lines are counted alike here and in the GLSL compiler.
  std::string normalised = platform_file::NormaliseLineEnds(text);
  Parser parser(fileName, normalised, out);
  return parser.Run(error);
}

}  // namespace d3dx9fx
