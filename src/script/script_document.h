// script_document.h -- loading a demo script's XML document safely
//
// TinyXML trusts its input in two ways a script file must not be trusted: it reads a file of
// any size into memory, and it parses nested elements recursively, so a file of a few hundred
// kilobytes of nested elements overflows the stack. The loader checks both before TinyXML
// parses anything, then parses as TinyXML's own LoadFile would (line ends made "\n", the
// default encoding detection).
#pragma once

#include <cstddef>
#include <string>

class TiXmlDocument;

namespace script_document {

constexpr size_t kMaxBytes = 16u << 20;  // a demo script is a few kilobytes
constexpr int kMaxDepth = 256;           // a demo script nests four deep

// Loads fileName into doc. False with *problem set ("cannot be opened (No such file or
// directory)", "line 4: not well-formed XML (Error reading end tag.)") when it cannot be used;
// the text does not repeat the file name.
bool Load(const char* fileName, TiXmlDocument* doc, std::string* problem);
// The same checks and parse for a script's bytes already in memory.
bool Parse(const std::string& raw, TiXmlDocument* doc, std::string* problem);

// The deepest element nesting of text, counted the way an XML parser would nest it, and the
// line on which it first passes maxDepth (0 when it never does).
int DeepestNesting(const std::string& text, int maxDepth, int* lineOverMax);

}  // namespace script_document
