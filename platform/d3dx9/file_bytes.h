// file_bytes.h -- the whole of a regular file, read without ever blocking on a FIFO or device
#pragma once

#include <cstddef>
#include <string>

namespace d3dx9file {

enum class ReadResult { kOk, kNotFound, kRefused };

// Reads `path` into *bytes. The file is opened non-blocking, so a FIFO or a device never hangs the
// caller; anything that is not a regular file, or is larger than maxBytes, is refused before a
// byte is read. On failure *problem says why ("is not a regular file", ...).
ReadResult ReadRegularFile(const char* path, size_t maxBytes, std::string* bytes, std::string* problem);

// `text` for a message: printable ASCII kept, every other byte as \xNN, cut at maxChars.
std::string QuoteBytes(const std::string& text, size_t maxChars = 40);

}  // namespace d3dx9file
