// file_bytes.cpp -- a file's bytes quoted safely in a message
#include "platform/d3dx9/readers/file_bytes.h"

#include <cstdio>

namespace d3dx9file {

std::string QuoteBytes(const std::string& text, size_t maxChars) {
  std::string out;
  for (size_t i = 0; i < text.size() && i < maxChars; ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= 0x20 && c < 0x7f && c != '\\') {
      out += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      out += hex;
    }
  }
  if (text.size() > maxChars) out += "...";
  return out;
}

}  // namespace d3dx9file
