// effect_program.cpp -- GLSL 3.30 programs for effect passes, with errors mapped back to .fx lines
#include "platform/d3dx9/effect_program.h"

#include <cctype>
#include <sstream>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "platform/d3d9/d3d9_gl.h"

namespace d3dx9fx {

const char* GlslType(ParamType type) {
  switch (type) {
    case ParamType::kFloat: return "float";
    case ParamType::kFloat2: return "vec2";
    case ParamType::kFloat3: return "vec3";
    case ParamType::kFloat4: return "vec4";
    case ParamType::kFloat4x4: return "mat4";
    case ParamType::kSampler: return "sampler2D";
    case ParamType::kTexture: return nullptr;
  }
  return nullptr;
}

namespace {

// The identifiers a shader's source spells, so that its prelude declares only the parameters it
// uses: a file of many parameters and many shaders then compiles in time linear in its size.
std::unordered_set<std::string_view> Identifiers(const std::string& source) {
  std::unordered_set<std::string_view> names;
  const char* text = source.data();
  size_t i = 0;
  const size_t n = source.size();
  while (i < n) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (std::isalpha(c) || c == '_') {
      size_t start = i;
      while (i < n && (std::isalnum(static_cast<unsigned char>(text[i])) || text[i] == '_')) ++i;
      names.insert(std::string_view(text + start, i - start));
    } else if (std::isdigit(c)) {
      while (i < n && (std::isalnum(static_cast<unsigned char>(text[i])) || text[i] == '_' || text[i] == '.')) ++i;
    } else {
      ++i;
    }
  }
  return names;
}

// A block's "#extension" lines, which GLSL wants before any declaration: taken out of source
// (each left as an empty line, so that line numbers still match the file) for the prelude.
std::string TakeExtensions(std::string* source) {
  std::string extensions;
  size_t lineStart = 0;
  while (lineStart < source->size()) {
    size_t lineEnd = source->find('\n', lineStart);
    if (lineEnd == std::string::npos) lineEnd = source->size();
    size_t first = source->find_first_not_of(" \t", lineStart);
    if (first < lineEnd && source->compare(first, 10, "#extension") == 0) {
      extensions += source->substr(first, lineEnd - first) + "\n";
      source->erase(lineStart, lineEnd - lineStart);
      lineEnd = lineStart;
    }
    lineStart = lineEnd + 1;
  }
  return extensions;
}

std::string Prelude(const EffectDesc& desc, const ShaderBlock& block, const std::string& extensions) {
  std::ostringstream s;
  s << "#version 330 core\n" << extensions;
  if (block.vertex) {
    s << "layout(location = " << d3d9gl::kAttribPosition << ") in vec3 inPosition;\n"
      << "layout(location = " << d3d9gl::kAttribNormal << ") in vec3 inNormal;\n"
      << "layout(location = " << d3d9gl::kAttribTexCoord0 << ") in vec2 inTexCoord;\n";
  } else {
    s << "layout(location = 0) out vec4 outColor;\n" << d3d9gl::kAlphaTestGlsl;
  }
  const std::unordered_set<std::string_view> used = Identifiers(block.source);
  for (const Parameter& p : desc.parameters) {
    const char* type = GlslType(p.type);
    if (type && used.count(p.name)) s << "uniform " << type << " " << p.name << ";\n";
  }
  return s.str();
}

std::string InfoLog(GLuint object, bool program) {
  GLint length = 0;
  if (program) {
    glGetProgramiv(object, GL_INFO_LOG_LENGTH, &length);
  } else {
    glGetShaderiv(object, GL_INFO_LOG_LENGTH, &length);
  }
  if (length <= 0) return std::string();
  std::vector<char> text(static_cast<size_t>(length) + 1, '\0');
  if (program) {
    glGetProgramInfoLog(object, length, nullptr, text.data());
  } else {
    glGetShaderInfoLog(object, length, nullptr, text.data());
  }
  return std::string(text.data());
}

GLuint Compile(const std::string& fileName, const EffectDesc& desc, const ShaderBlock& block, std::string* log) {
  // #line makes the compiler count the block's first line as the file's line of its opening brace.
  std::string body = block.source;
  const std::string extensions = TakeExtensions(&body);
  std::string source = Prelude(desc, block, extensions);
  if (!block.vertex) source += "#define main d3dPixelMain\n";
  source += "#line " + std::to_string(block.line) + "\n" + body;
  // The pixel shader's own main runs first; the device's alpha test then decides the pixel.
  if (!block.vertex) {
    source += "\n#undef main\nvoid main() {\n  d3dPixelMain();\n  if (!d3dAlphaPasses(outColor.a)) discard;\n}\n";
  }
  GLuint shader = glCreateShader(block.vertex ? GL_VERTEX_SHADER : GL_FRAGMENT_SHADER);
  const char* text = source.c_str();
  glShaderSource(shader, 1, &text, nullptr);
  glCompileShader(shader);
  GLint ok = GL_FALSE;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
  if (ok != GL_TRUE) {
    *log += MapGlslLog(fileName, InfoLog(shader, false));
    if (log->empty()) *log = fileName + "(" + std::to_string(block.line) + "): error: shader '" + block.name +
                             "' does not compile\n";
    glDeleteShader(shader);
    return 0;
  }
  return shader;
}

}  // namespace

std::string MapGlslLog(const std::string& fileName, const std::string& log) {
  std::istringstream in(log);
  std::ostringstream out;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty()) continue;
    // Mesa writes "0:12(5): error: ...", others "ERROR: 0:12: ..."; both carry "0:LINE".
    size_t at = line.find("0:");
    size_t digits = at == std::string::npos ? at : at + 2;
    size_t end = digits;
    while (end != std::string::npos && end < line.size() && std::isdigit(static_cast<unsigned char>(line[end]))) ++end;
    if (at != std::string::npos && end > digits && (at == 0 || line[at - 1] == ' ')) {
      size_t rest = end;
      if (rest < line.size() && line[rest] == '(') {
        size_t close = line.find(')', rest);
        rest = close == std::string::npos ? rest : close + 1;
      }
      if (rest < line.size() && line[rest] == ':') ++rest;
      std::string prefix = line.substr(0, at);
      out << fileName << "(" << line.substr(digits, end - digits) << "):" << (prefix.empty() ? "" : " ")
          << prefix.substr(0, prefix.find_last_not_of(" :") + 1) << line.substr(rest) << "\n";
    } else {
      out << fileName << ": " << line << "\n";
    }
  }
  return out.str();
}

GLuint BuildProgram(const std::string& fileName, const EffectDesc& desc, const Pass& pass, std::string* log) {
  const ShaderBlock& vs = desc.shaders[desc.FindShader(pass.vertexShader, true)];
  const ShaderBlock& ps = desc.shaders[desc.FindShader(pass.pixelShader, false)];
  GLuint vertex = Compile(fileName, desc, vs, log);
  GLuint pixel = Compile(fileName, desc, ps, log);
  if (!vertex || !pixel) {
    if (vertex) glDeleteShader(vertex);
    if (pixel) glDeleteShader(pixel);
    return 0;
  }
  GLuint program = glCreateProgram();
  glAttachShader(program, vertex);
  glAttachShader(program, pixel);
  glLinkProgram(program);
  glDeleteShader(vertex);
  glDeleteShader(pixel);
  GLint ok = GL_FALSE;
  glGetProgramiv(program, GL_LINK_STATUS, &ok);
  if (ok != GL_TRUE) {
    *log += fileName + "(" + std::to_string(pass.line) + "): error: pass '" + pass.name + "' does not link: " +
            InfoLog(program, true) + "\n";
    glDeleteProgram(program);
    return 0;
  }
  return program;
}

}  // namespace d3dx9fx
