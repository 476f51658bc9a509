// script_document.cpp -- size and nesting checks before TinyXML parses a demo script
#include "src/script/script_document.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <tinyxml.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace script_document {

namespace {

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};

bool ReadWhole(const char* fileName, std::string* text, std::string* problem) {
  // Opened without blocking and checked before a byte is read: a FIFO named as the script would
  // otherwise hang the open until something writes to it.
  int fd = open(fileName, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    *problem = std::string("cannot be opened (") + std::strerror(errno) + ")";
    return false;
  }
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    *problem = "is not a regular file";
    return false;
  }
  std::unique_ptr<FILE, FileCloser> file(fdopen(fd, "rb"));
  if (!file) {
    close(fd);
    *problem = std::string("cannot be opened (") + std::strerror(errno) + ")";
    return false;
  }
  if (static_cast<unsigned long long>(st.st_size) > kMaxBytes) {
    *problem = "is " + std::to_string(st.st_size) + " bytes; a demo script may be at most " +
               std::to_string(kMaxBytes) + " bytes";
    return false;
  }
  text->resize(static_cast<size_t>(st.st_size));
  if (!text->empty() && std::fread(&(*text)[0], 1, text->size(), file.get()) != text->size()) {
    *problem = std::string("cannot be read (") + std::strerror(errno) + ")";
    return false;
  }
  return true;
}

// "\r\n" and a lone "\r" become "\n", as TinyXML's LoadFile does before it parses.
std::string NormaliseLineEnds(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += text[i];
    }
  }
  return out;
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
    *problem = "is " + std::to_string(raw.size()) + " bytes; a demo script may be at most " +
               std::to_string(kMaxBytes) + " bytes";
    return false;
  }
  std::string text = NormaliseLineEnds(raw);
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
