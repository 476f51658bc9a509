// file_bytes.cpp -- reading a whole regular file without blocking, and quoting its bytes safely
#include "platform/d3dx9/file_bytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

namespace d3dx9file {

namespace {

struct Fd {
  int fd;
  ~Fd() {
    if (fd >= 0) close(fd);
  }
};

}  // namespace

ReadResult ReadRegularFile(const char* path, size_t maxBytes, std::string* bytes, std::string* problem) {
  bytes->clear();
  // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer forever.
  Fd file{open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY)};
  if (file.fd < 0) {
    *problem = std::string("cannot be opened (") + std::strerror(errno) + ")";
    return errno == ENOENT || errno == ENOTDIR ? ReadResult::kNotFound : ReadResult::kRefused;
  }
  struct stat st;
  if (fstat(file.fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    *problem = "is not a regular file";
    return ReadResult::kRefused;
  }
  if (st.st_size < 0 || static_cast<unsigned long long>(st.st_size) > maxBytes) {
    *problem = "is " + std::to_string(static_cast<long long>(st.st_size)) + " bytes; at most " +
               std::to_string(maxBytes) + " are read";
    return ReadResult::kRefused;
  }
  try {
    bytes->resize(static_cast<size_t>(st.st_size));
  } catch (const std::bad_alloc&) {
    *problem = "does not fit in memory";
    return ReadResult::kRefused;
  }
  size_t got = 0;
  while (got < bytes->size()) {
    ssize_t n = read(file.fd, &(*bytes)[got], bytes->size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      *problem = std::string("cannot be read (") + std::strerror(errno) + ")";
      return ReadResult::kRefused;
    }
    if (n == 0) break;  // the file shrank while being read: take what is there
    got += static_cast<size_t>(n);
  }
  bytes->resize(got);
  return ReadResult::kOk;
}

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
