// script_document.cpp -- size and nesting checks before TinyXML parses a demo script
#include "src/script/script_document.h"

#include <tinyxml.h>

#include <cstring>

#include "platform/services/file_read.h"

namespace script_document {

namespace {

std::string OversizeProblem(unsigned long long bytes) {
  return "is " + std::to_string(bytes) + " bytes; a demo script may be at most " + std::to_string(kMaxBytes) + " bytes";
}

bool ReadWhole(const char* fileName, std::string* text, std::string* problem) {
  // Opened without blocking and checked before a byte is read: a FIFO named as the script would
  // otherwise hang the open until something writes to it.
  platform_file::RegularFile file;
  if (file.Open(fileName, problem) != platform_file::FileStatus::kOk) return false;
  if (file.Size() > kMaxBytes) {
    *problem = OversizeProblem(file.Size());
    return false;
  }
  return file.ReadRest(text, problem) == platform_file::FileStatus::kOk;
}

// Advances i past the next occurrence of end (or to the end of text), counting lines.
void SkipPast(const std::string& text, size_t* i, const char* end, int* line) {
  size_t at = text.find(end, *i);
  size_t stop = at == std::string::npos ? text.size() : at + std::strlen(end);
  for (size_t k = *i; k < stop; ++k) *line += text[k] == '\n';
  *i = stop;
}

bool StartsWith(const std::string& text, size_t i, const char* prefix) {
  return text.compare(i, std::strlen(prefix), prefix) == 0;
}

// Skips a start tag from its "<"; true when it opens an element (no "/>" at its end). A quote
// right after "=" opens an attribute value that runs to the matching quote.
bool SkipStartTag(const std::string& text, size_t* i, int* line) {
  size_t k = *i + 1;
  char previous = 0;
  while (k < text.size() && text[k] != '>') {
    char c = text[k];
    *line += c == '\n';
    if (c == '=') {
      size_t q = k + 1;
      while (q < text.size() && (text[q] == ' ' || text[q] == '\t' || text[q] == '\n')) *line += text[q++] == '\n';
      if (q < text.size() && (text[q] == '"' || text[q] == '\'')) {
        size_t close = text.find(text[q], q + 1);
        size_t stop = close == std::string::npos ? text.size() : close;
        for (size_t m = q; m < stop; ++m) *line += text[m] == '\n';
        k = stop + 1;
        previous = 0;
        continue;
      }
      k = q;
      previous = '=';
      continue;
    }
    previous = c;
    ++k;
  }
  *i = k < text.size() ? k + 1 : text.size();
  return previous != '/';
}

}  // namespace

int DeepestNesting(const std::string& text, int maxDepth, int* lineOverMax) {
  int depth = 0, deepest = 0, line = 1;
  *lineOverMax = 0;
  size_t i = 0;
  while (i < text.size()) {
    char c = text[i];
    if (c != '<') {
      line += c == '\n';
      ++i;
    } else if (StartsWith(text, i, "<!--")) {
      SkipPast(text, &i, "-->", &line);
    } else if (StartsWith(text, i, "<![CDATA[")) {
      SkipPast(text, &i, "]]>", &line);
    } else if (StartsWith(text, i, "<?")) {
      SkipPast(text, &i, "?>", &line);
    } else if (StartsWith(text, i, "<!")) {
      SkipPast(text, &i, ">", &line);
    } else if (StartsWith(text, i, "</")) {
      if (depth > 0) --depth;
      SkipPast(text, &i, ">", &line);
    } else {
      // An empty element ("<a/>") is one level deeper while it is parsed, but closes at once.
      int tagLine = line;
      bool opens = SkipStartTag(text, &i, &line);
      if (depth + 1 > deepest) {
        deepest = depth + 1;
        if (deepest > maxDepth && *lineOverMax == 0) *lineOverMax = tagLine;
      }
      if (opens) ++depth;
    }
  }
  return deepest;
}

bool Load(const char* fileName, TiXmlDocument* doc, std::string* problem) {
  std::string raw;
  if (!ReadWhole(fileName, &raw, problem)) return false;
  return Parse(raw, doc, problem);
}

bool Parse(const std::string& raw, TiXmlDocument* doc, std::string* problem) {
  if (raw.size() > kMaxBytes) {
    *problem = OversizeProblem(raw.size());
    return false;
  }
  // "\r\n" and a lone "\r" become "\n", as TinyXML's LoadFile does before it parses.
  std::string text = platform_file::NormaliseLineEnds(raw);
  int lineOverMax = 0;
  if (DeepestNesting(text, kMaxDepth, &lineOverMax) > kMaxDepth) {
    *problem = "line " + std::to_string(lineOverMax) + ": elements nest more than " +
               std::to_string(kMaxDepth) + " deep";
    return false;
  }
  doc->Parse(text.c_str(), nullptr, TIXML_DEFAULT_ENCODING);
  if (doc->Error()) {
    std::string where = doc->ErrorRow() > 0 ? "line " + std::to_string(doc->ErrorRow()) + ": " : "";
    *problem = where + "not well-formed XML (" + doc->ErrorDesc() + ")";
    return false;
  }
  return true;
}

}  // namespace script_document
