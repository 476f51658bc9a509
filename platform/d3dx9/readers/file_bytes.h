// file_bytes.h -- a file's bytes quoted safely in a message
#pragma once

#include <cstddef>
#include <string>

namespace d3dx9file {

// `text` for a message: printable ASCII kept, every other byte as \xNN, cut at maxChars.
std::string QuoteBytes(const std::string& text, size_t maxChars = 40);

}  // namespace d3dx9file
